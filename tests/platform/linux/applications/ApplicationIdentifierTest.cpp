#include "platform/linux/applications/ApplicationIdentifier.h"

#include "QtPrinters.h"
#include "platform/linux/applications/CgroupApplication.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QString kFixtures = QDir::cleanPath(QStringLiteral(OSTREL_APPLICATION_FIXTURES));
const QByteArray kUnits = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/";
const QByteArray kSession = "0::/user.slice/user-1000.slice/session-2.scope\n";

QString unitApplication(const QByteArray& cgroup) {
    const std::optional<CgroupApplication> application = CgroupApplication::fromCgroupFile(cgroup);
    return application ? application->applicationId : QStringLiteral("<none>");
}

} // namespace

TEST(CgroupApplicationTest, ReadsTheInnermostApplicationUnit) {
    EXPECT_EQ(unitApplication(kUnits + "app-gnome-org.gnome.Cheese-4000.scope\n"),
              "org.gnome.Cheese");
    EXPECT_EQ(unitApplication(kUnits + "app-org.kde.dolphin-7f3a.scope\n"), "org.kde.dolphin");
    EXPECT_EQ(unitApplication(kUnits + "app-gnome-firefox\\x2desr-1200.scope\n"), "firefox-esr");
    EXPECT_EQ(unitApplication(kUnits + "app-gnome-firefox-esr-1200.scope\n"), "firefox-esr");
    EXPECT_EQ(unitApplication(kUnits + "app-org.gnome.Evolution\\x2dalarm\\x2dnotify@autostart."
                                       "service\n"),
              "org.gnome.Evolution-alarm-notify");
    EXPECT_EQ(unitApplication(kUnits + "app-gnome-org.gnome.Maps@12.service\n"), "org.gnome.Maps");

    const std::optional<CgroupApplication> flatpak =
        CgroupApplication::fromCgroupFile(kUnits + "app-flatpak-org.example.Recorder-1234.scope\n");
    ASSERT_TRUE(flatpak.has_value());
    EXPECT_EQ(flatpak->launcher, "flatpak");
    EXPECT_EQ(flatpak->kind, CgroupApplication::Kind::appUnit);

    // A shell in a terminal's unit, slices, plain sessions and damaged files name nothing.
    for (const QByteArray& none :
         {kUnits + "app-org.gnome.Terminal.slice/vte-spawn-0f1e.scope\n",
          kUnits + "app-org.gnome.Terminal.slice\n", kSession, QByteArray("0::/\n"),
          QByteArray("garbage"), QByteArray(), kUnits + "app-.scope\n",
          QByteArray("3:cpu:/user.slice/app-gnome-org.gnome.Cheese-1.scope\n")}) {
        EXPECT_EQ(unitApplication(none), "<none>") << none.toStdString();
    }
}

TEST(CgroupApplicationTest, ReadsSnapsAsSnapdNamesTheirEntries) {
    const std::optional<CgroupApplication> snap = CgroupApplication::fromCgroupFile(
        "1:name=systemd:/user.slice/snap.firefox.firefox-2f7d35a4-97e2-4c4c-9e24-5b4a4fb1c5e1."
        "scope\n");
    ASSERT_TRUE(snap.has_value());
    EXPECT_EQ(snap->kind, CgroupApplication::Kind::snap);
    EXPECT_EQ(snap->applicationId, "firefox_firefox");
    EXPECT_EQ(unitApplication(kUnits + "snap.code.code-url-handler.service\n"),
              "code_code-url-handler");
    EXPECT_EQ(unitApplication(kUnits + "snap.code.hook.configure-2f7d35a4-97e2-4c4c-9e24-"
                                       "5b4a4fb1c5e1.scope\n"),
              "<none>");
}

TEST(CgroupApplicationTest, UnescapesOnlyWellFormedEscapes) {
    EXPECT_EQ(CgroupApplication::unescapeUnitName(u"a\\x2db\\x2Fc"), "a-b/c");
    EXPECT_EQ(CgroupApplication::unescapeUnitName(u"caf\\xc3\\xa9"), QString::fromUtf8("café"));
    EXPECT_EQ(CgroupApplication::unescapeUnitName(u"bad\\xZZ\\x0\\x00end\\x"),
              "bad\\xZZ\\x0\\x00end\\x");
}

// The rules are tried in a fixed order; each case gives a process the evidence of several.
TEST(ApplicationIdentifierTest, FirstMatchingRuleWins) {
    const ProcFiles proc(kFixtures + "/proc");
    const DesktopEntryIndex entries({kFixtures + "/data-home", kFixtures + "/system",
                                     kFixtures + "/snapd", kFixtures + "/flatpak/exports/share"},
                                    {});
    const ApplicationIdentifier identifier(proc, entries);
    const auto identify = [&](qint32 pid, const QByteArray& cgroup, const QString& executable) {
        return identifier.identify(pid, cgroup, executable);
    };
    const QByteArray cheeseUnit = kUnits + "app-gnome-org.gnome.Cheese-4000.scope\n";
    const QByteArray snapUnit = kUnits + "snap.firefox.firefox.service\n";

    // 201 runs in a Flatpak sandbox: that beats a unit and the program name.
    EXPECT_EQ(identify(201, cheeseUnit, "/usr/bin/cheese"),
              (ApplicationIdentity{"org.example.Recorder", true}));
    // A snap's unit beats the program name; an application unit beats the GIO launch (500).
    EXPECT_EQ(identify(300, snapUnit, "/usr/bin/cheese"),
              (ApplicationIdentity{"firefox_firefox", false}));
    EXPECT_EQ(identify(500, cheeseUnit, "/usr/bin/vendor-tool-bin"),
              (ApplicationIdentity{"org.gnome.Cheese", false}));
    EXPECT_EQ(
        identify(200, kUnits + "app-flatpak-org.example.Recorder-1234.scope\n", "/usr/bin/bwrap"),
        (ApplicationIdentity{"org.example.Recorder", true}));
    // The GIO launch beats the program name, but only for the launched process itself.
    EXPECT_EQ(identify(500, kSession, "/usr/bin/cheese"),
              (ApplicationIdentity{"vendor-tool", false}));
    EXPECT_EQ(identify(501, kSession, "/usr/bin/bash"), std::nullopt);
    EXPECT_EQ(identify(502, kSession, "/usr/bin/vendor-tool-bin"),
              (ApplicationIdentity{"vendor-tool", false}));
    // Program names: a script behind its interpreter, a window class, an entry that starts
    // a Flatpak is never matched through the flatpak program.
    EXPECT_EQ(identify(600, kSession, "/usr/bin/python3.11"),
              (ApplicationIdentity{"org.example.Editor", false}));
    EXPECT_EQ(identify(700, kSession, "/opt/viewer/ExampleViewer"),
              (ApplicationIdentity{"org.example.Viewer", false}));
    EXPECT_EQ(identify(1000, kSession, "/usr/bin/flatpak"), std::nullopt);
    EXPECT_EQ(identifier.identify(1000, std::nullopt, std::nullopt), std::nullopt);
    // A unit that claims to be a Flatpak with an id that could leave its folder is refused.
    EXPECT_EQ(identify(1000, kUnits + "app-flatpak-..\\x2f..\\x2fetc-1.scope\n", "/usr/bin/htop"),
              std::nullopt);
}

TEST(ApplicationIdentifierTest, FlatpakIdsMustBeReverseDnsNames) {
    EXPECT_TRUE(ApplicationIdentifier::isValidFlatpakId("org.example.App_2-beta"));
    for (const char* invalid : {"", ".hidden", "a/../b", "a/b", "a..b", "a b", "a\nb"}) {
        EXPECT_FALSE(ApplicationIdentifier::isValidFlatpakId(invalid)) << invalid;
    }
}
