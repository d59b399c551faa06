#include "platform/linux/session/LinuxDesktopSettings.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(LinuxDesktopSettings, OpensTheKnownDesktopsSettingsAndNothingElse) {
    using Pane = DesktopSettings::Pane;
    const auto commandFor = &LinuxDesktopSettings::commandFor;
    EXPECT_EQ(commandFor("ubuntu:GNOME", Pane::Camera),
              (QStringList{"gnome-control-center", "camera"}));
    EXPECT_EQ(commandFor("GNOME", Pane::Privacy), (QStringList{"gnome-control-center", "privacy"}));
    EXPECT_EQ(commandFor("KDE", Pane::Notifications),
              (QStringList{"systemsettings", "kcm_notifications"}));
    EXPECT_FALSE(commandFor("KDE", Pane::Camera));
    EXPECT_FALSE(commandFor("XFCE", Pane::Privacy));
    EXPECT_FALSE(commandFor("", Pane::Privacy));

    QStringList launched;
    bool launcherWorks = true;
    LinuxDesktopSettings gnome("GNOME", [&](const QString& program, const QStringList& arguments) {
        launched = QStringList{program} + arguments;
        return launcherWorks;
    });
    EXPECT_TRUE(gnome.open(Pane::Microphone));
    EXPECT_EQ(launched, (QStringList{"gnome-control-center", "microphone"}));
    launcherWorks = false;
    EXPECT_FALSE(gnome.open(Pane::Microphone));
    EXPECT_FALSE(LinuxDesktopSettings("Hyprland", {}).open(Pane::Privacy));
}
