#include "detection/ProcessOperations.h"

#include "base/ProductIdentity.h"
#include "support/FakeProcessServices.h"
#include "support/FakeRunningApplications.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class ProcessOperationsTest : public testing::Test {
protected:
    FakeRunningApplications applications;
    FakeProcessServices processes;
    ProcessOperations operations{applications, processes};
};

} // namespace

TEST_F(ProcessOperationsTest, RecognisesItselfByIdentifierNameOrPid) {
    processes.ownPidValue = 777;
    for (const QString& own : {kBundleIdentifier, kBundleIdentifierLowercase,
                               QString("org.example.OSTREL-helper"), kBundleIdentifier.toUpper()}) {
        EXPECT_TRUE(ProcessOperations::isOwnBundleIdentifier(own)) << own.toStdString();
    }
    EXPECT_FALSE(ProcessOperations::isOwnBundleIdentifier("org.gnome.Cheese"));
    EXPECT_FALSE(ProcessOperations::isOwnBundleIdentifier(""));

    // By name in any letter case, by pid whatever the name, by identifier whatever the rest.
    EXPECT_TRUE(operations.isOwnProcess({12, "OsTrEl Agent", std::nullopt, std::nullopt}));
    EXPECT_TRUE(operations.isOwnProcess({777, "cheese", std::nullopt, std::nullopt}));
    EXPECT_TRUE(operations.isOwnProcess({12, "Watchdog", kBundleIdentifier, std::nullopt}));
    EXPECT_FALSE(operations.isOwnProcess({12, "cheese", "org.gnome.Cheese", std::nullopt}));
    EXPECT_FALSE(operations.isOwnProcess(ProcessInfo::unknownProcess()));
}

TEST_F(ProcessOperationsTest, ProcessesAreNamedByTheirApplicationThenTheirExecutable) {
    applications.owners[30] =
        applications.add({10, "Cheese", "org.gnome.Cheese", "/apps/cheese", true, true, {}});
    applications.add({11, std::nullopt, "org.example.NoName", "/apps/n", false, true, {}});
    applications.add({12, std::nullopt, std::nullopt, std::nullopt, false, false, {}});
    processes.executablePaths[20] = "/usr/bin/ffmpeg";
    processes.names[20] = "ffmpeg-short";
    processes.names[30] = "cheese-audio";

    // An application is named by its name, else its identifier; makeProcessInfo falls back to
    // the decimal instead, and keeps the application's identity.
    EXPECT_EQ(operations.processDetails(10).value().name, "Cheese");
    EXPECT_EQ(operations.processDetails(11).value().name, "org.example.NoName");
    EXPECT_EQ(operations.processDetails(12).value().name, "Unknown");
    const ProcessInfo nameless = operations.makeProcessInfo(11);
    EXPECT_EQ(nameless.name, "Process 11");
    EXPECT_EQ(nameless.path, "/apps/n");

    // A helper process stays itself, named and identified by the application it belongs to.
    for (const ProcessInfo& helper :
         {*operations.processDetails(30), operations.makeProcessInfo(30)}) {
        EXPECT_EQ(std::tie(helper.pid, helper.name, helper.bundleIdentifier, helper.path),
                  std::make_tuple(30, "Cheese", "org.gnome.Cheese", "/apps/cheese"));
    }

    // Any other process by its executable's file name, its short name, or the decimal.
    const ProcessInfo fromExecutable = operations.processDetails(20).value();
    EXPECT_EQ(fromExecutable.name, "ffmpeg");
    EXPECT_FALSE(fromExecutable.bundleIdentifier || fromExecutable.path);
    EXPECT_EQ(operations.makeProcessInfo(20).name, "ffmpeg-short");
    EXPECT_FALSE(operations.processDetails(21));
    EXPECT_EQ(operations.makeProcessInfo(21).name, "Process 21");
}

TEST_F(ProcessOperationsTest, UsageDeclarationNeedsADescriptionOrATrueAudioInputFlag) {
    const QString flag = "com.apple.security.device.audio-input";
    const std::vector<std::tuple<QString, QVariantMap, bool>> cases{
        {"/apps/camera-only", {{"NSCameraUsageDescription", "Takes photos"}}, true},
        {"/apps/mic", {{"NSMicrophoneUsageDescription", QVariant()}}, true},
        {"/apps/flag-true", {{flag, true}}, true},
        {"/apps/flag-false", {{flag, false}}, false},
        {"/apps/flag-string", {{flag, "true"}}, false},
        {"/apps/nothing", {{"CFBundleName", "Nothing"}}, false}};
    for (const auto& [path, info, declared] : cases) {
        applications.infoByPath[path] = info;
        EXPECT_EQ(operations.hasMediaUsageDeclaration(path), declared) << path.toStdString();
    }
    EXPECT_FALSE(operations.hasMediaUsageDeclaration("/apps/missing"));

    // An identifier nobody registered has an empty path, whose declaration test is negative.
    applications.infoByPath[""] = {{"NSCameraUsageDescription", "never read"}};
    EXPECT_EQ(operations.applicationPath("org.example.Missing"), "");
    EXPECT_FALSE(operations.hasMediaUsageDeclaration(""));
}
