#include "platform/linux/applications/ApplicationIdentifier.h"

#include "ApplicationFixtures.h"
#include "platform/linux/applications/CgroupApplication.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QByteArray kUnits = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/";
const QByteArray kSession = "0::/user.slice/user-1000.slice/session-2.scope\n";
const QByteArray kSnap =
    "1:name=systemd:/user.slice/snap.firefox.firefox-2f7d35a4-97e2-4c4c-9e24-5b4a4fb1c5e1.scope\n";

} // namespace

TEST(CgroupApplicationTest, ReadsTheInnermostApplicationUnitOrSnap) {
    const auto id = [](const QByteArray& cgroup) {
        const std::optional<CgroupApplication> unit = CgroupApplication::fromCgroupFile(cgroup);
        return unit ? unit->applicationId : QStringLiteral("<none>");
    };
    EXPECT_EQ(id(kUnits + "app-gnome-org.gnome.Cheese-4000.scope\n"), "org.gnome.Cheese");
    EXPECT_EQ(id(kUnits + "app-org.kde.dolphin-7f3a.scope\n"), "org.kde.dolphin");
    EXPECT_EQ(id(kUnits + "app-gnome-firefox\\x2desr-1200.scope\n"), "firefox-esr");
    EXPECT_EQ(id(kUnits + "app-gnome-firefox-esr-1200.scope\n"), "firefox-esr");
    EXPECT_EQ(id(kUnits + "app-org.gnome.Evolution\\x2dalarm\\x2dnotify@autostart.service\n"),
              "org.gnome.Evolution-alarm-notify");
    EXPECT_EQ(id(kUnits + "app-gnome-org.gnome.Maps@12.service\n"), "org.gnome.Maps");
    EXPECT_EQ(id(kSnap), "firefox_firefox");
    EXPECT_EQ(id(kUnits + "snap.code.code-url-handler.service\n"), "code_code-url-handler");
    // A snap's hook, a shell in a terminal's unit, slices, plain sessions and damaged files
    // name nothing.
    for (const QByteArray& none :
         {kUnits + "snap.code.hook.configure-2f7d35a4-97e2-4c4c-9e24-5b4a4fb1c5e1.scope\n",
          kUnits + "app-org.gnome.Terminal.slice/vte-spawn-0f1e.scope\n",
          kUnits + "app-org.gnome.Terminal.slice\n", kSession, QByteArray("0::/\n"),
          QByteArray("garbage"), QByteArray(), kUnits + "app-.scope\n",
          QByteArray("3:cpu:/user.slice/app-gnome-org.gnome.Cheese-1.scope\n")}) {
        EXPECT_EQ(id(none), "<none>") << none.toStdString();
    }

    const std::optional<CgroupApplication> flatpak =
        CgroupApplication::fromCgroupFile(kUnits + "app-flatpak-org.example.Recorder-1234.scope\n");
    ASSERT_TRUE(flatpak.has_value());
    EXPECT_EQ(flatpak->launcher, "flatpak");
    EXPECT_EQ(flatpak->kind, CgroupApplication::Kind::appUnit);
    EXPECT_EQ(CgroupApplication::fromCgroupFile(kSnap)->kind, CgroupApplication::Kind::snap);
}

TEST(CgroupApplicationTest, UnescapesOnlyWellFormedEscapes) {
    EXPECT_EQ(CgroupApplication::unescapeUnitName(u"a\\x2db\\x2Fc"), "a-b/c");
    EXPECT_EQ(CgroupApplication::unescapeUnitName(u"caf\\xc3\\xa9"), QString::fromUtf8("café"));
    EXPECT_EQ(CgroupApplication::unescapeUnitName(u"bad\\xZZ\\x0\\x00end\\x"),
              "bad\\xZZ\\x0\\x00end\\x");
}

// The rules are tried in a fixed order; each case gives a fixture process the evidence of
// several.
TEST(ApplicationIdentifierTest, FirstMatchingRuleWins) {
    const ProcFiles proc(kFixtures + "/proc");
    const DesktopEntryIndex entries(fixtureDataDirs(), {});
    const ApplicationIdentifier identifier(proc, entries);
    // "id", "id (Flatpak)", or empty for none.
    const auto identify = [&](qint32 pid, const std::optional<QByteArray>& cgroup,
                              const std::optional<QString>& executable) {
        const std::optional<ApplicationIdentity> identity =
            identifier.identify(pid, cgroup, executable);
        return identity ? identity->applicationId + (identity->isFlatpak ? " (Flatpak)" : "")
                        : QString();
    };
    const QByteArray cheeseUnit = kUnits + "app-gnome-org.gnome.Cheese-4000.scope\n";

    // 201 runs in a Flatpak sandbox: that beats a unit and the program name.
    EXPECT_EQ(identify(201, cheeseUnit, "/usr/bin/cheese"), "org.example.Recorder (Flatpak)");
    // A snap's unit beats the program name; an application unit beats the GIO launch (500).
    EXPECT_EQ(identify(300, kUnits + "snap.firefox.firefox.service\n", "/usr/bin/cheese"),
              "firefox_firefox");
    EXPECT_EQ(identify(500, cheeseUnit, "/usr/bin/vendor-tool-bin"), "org.gnome.Cheese");
    EXPECT_EQ(
        identify(200, kUnits + "app-flatpak-org.example.Recorder-1234.scope\n", "/usr/bin/bwrap"),
        "org.example.Recorder (Flatpak)");
    // 500 claims GIO launched it from the vendor tool's entry, whose program it does not run:
    // the claim counts for nothing. A GIO launch counts only for the launched process itself.
    EXPECT_EQ(identify(500, kSession, "/usr/bin/cheese"), "org.gnome.Cheese");
    EXPECT_EQ(identify(501, kSession, "/usr/bin/bash"), "");
    EXPECT_EQ(identify(502, kSession, "/usr/bin/vendor-tool-bin"), "vendor-tool");
    // Program names: a script behind its interpreter, a window class; an entry that starts a
    // Flatpak is never matched through the flatpak program.
    EXPECT_EQ(identify(600, kSession, "/usr/bin/python3.11"), "org.example.Editor");
    EXPECT_EQ(identify(700, kSession, "/opt/viewer/ExampleViewer"), "org.example.Viewer");
    EXPECT_EQ(identify(1000, kSession, "/usr/bin/flatpak"), "");
    EXPECT_EQ(identify(1000, std::nullopt, std::nullopt), "");
    // A unit that claims to be a Flatpak with an id that could leave its folder is refused.
    EXPECT_EQ(identify(1000, kUnits + "app-flatpak-..\\x2f..\\x2fetc-1.scope\n", "/usr/bin/htop"),
              "");
}

// What GIO records in the environment is the process's own word; only the file the kernel
// says it runs can back it. Viewer's Exec= starts its program through a link of another name,
// and Raw's starts it by name: a backed launch beats the program name.
TEST(ApplicationIdentifierTest, AGioLaunchCountsOnlyForAProcessRunningTheEntrysProgram) {
    QTemporaryDir root;
    const QString program = root.filePath("opt/viewer-bin");
    const QString viewer = root.filePath("data/applications/org.example.Viewer.desktop");
    writeFile(program, "binary");
    writeFile(root.filePath("opt/other-bin"), "binary");
    ASSERT_TRUE(QFile::link(program, root.filePath("viewer")));
    writeFile(viewer, ("[Desktop Entry]\nExec=" + root.filePath("viewer")).toUtf8());
    writeFile(root.filePath("data/applications/org.example.Raw.desktop"),
              "[Desktop Entry]\nExec=viewer-bin");
    const std::vector<std::tuple<qint32, QString, QString>> cases{
        {10, program, "org.example.Viewer"}, {11, root.filePath("opt/other-bin"), ""}};
    const ProcFiles proc(root.filePath("proc"));
    const DesktopEntryIndex entries({root.filePath("data")}, {});
    for (const auto& [pid, runs, expected] : cases) {
        const QString folder = root.filePath("proc/" + QString::number(pid));
        writeFile(folder + "/environ",
                  "GIO_LAUNCHED_DESKTOP_FILE=" + viewer.toUtf8() + '\0' +
                      "GIO_LAUNCHED_DESKTOP_FILE_PID=" + QByteArray::number(pid));
        ASSERT_TRUE(QFile::link(runs, folder + "/exe"));
        const std::optional<ApplicationIdentity> identity =
            ApplicationIdentifier(proc, entries).identify(pid, kSession, proc.executablePath(pid));
        EXPECT_EQ(identity ? identity->applicationId : QString(), expected) << pid;
    }
}

TEST(ApplicationIdentifierTest, FlatpakIdsMustBeReverseDnsNames) {
    EXPECT_TRUE(ApplicationIdentifier::isValidFlatpakId("org.example.App_2-beta"));
    for (const char* invalid : {"", ".hidden", "a/../b", "a/b", "a..b", "a b", "a\nb"}) {
        EXPECT_FALSE(ApplicationIdentifier::isValidFlatpakId(invalid)) << invalid;
    }
}
