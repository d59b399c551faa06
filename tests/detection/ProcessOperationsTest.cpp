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
    EXPECT_TRUE(ProcessOperations::isOwnBundleIdentifier(kBundleIdentifier));
    EXPECT_TRUE(ProcessOperations::isOwnBundleIdentifier(kBundleIdentifierLowercase));
    EXPECT_TRUE(ProcessOperations::isOwnBundleIdentifier("org.example.OSTREL-helper"));
    EXPECT_TRUE(ProcessOperations::isOwnBundleIdentifier(kBundleIdentifier.toUpper()));
    EXPECT_FALSE(ProcessOperations::isOwnBundleIdentifier("org.gnome.Cheese"));
    EXPECT_FALSE(ProcessOperations::isOwnBundleIdentifier(""));

    // By name, in any letter case, with no identifier at all.
    EXPECT_TRUE(operations.isOwnProcess({12, "OsTrEl Agent", std::nullopt, std::nullopt}));
    // By pid, whatever the name.
    EXPECT_TRUE(operations.isOwnProcess({777, "cheese", std::nullopt, std::nullopt}));
    // By identifier, whatever the name and pid.
    EXPECT_TRUE(operations.isOwnProcess({12, "Watchdog", kBundleIdentifier, std::nullopt}));
    EXPECT_FALSE(operations.isOwnProcess({12, "cheese", "org.gnome.Cheese", std::nullopt}));
    EXPECT_FALSE(operations.isOwnProcess(ProcessInfo::unknownProcess()));
}

TEST_F(ProcessOperationsTest, MakeProcessInfoAlwaysNamesTheProcess) {
    // Nothing knows pid 1234: the decimal fallback, no identifier, no path.
    const ProcessInfo unknown = operations.makeProcessInfo(1234);
    EXPECT_EQ(unknown.pid, 1234);
    EXPECT_EQ(unknown.name, "Process 1234");
    EXPECT_FALSE(unknown.bundleIdentifier);
    EXPECT_FALSE(unknown.path);

    processes.names[55] = "arecord";
    EXPECT_EQ(operations.makeProcessInfo(55).name, "arecord");

    // A running application without a name also gets the decimal fallback, with its identity.
    applications.add({66,
                      std::nullopt,
                      "org.example.Recorder",
                      "/usr/share/applications/r.desktop",
                      false,
                      true,
                      {}});
    const ProcessInfo nameless = operations.makeProcessInfo(66);
    EXPECT_EQ(nameless.name, "Process 66");
    EXPECT_EQ(nameless.bundleIdentifier, "org.example.Recorder");
    EXPECT_EQ(nameless.path, "/usr/share/applications/r.desktop");
}

TEST_F(ProcessOperationsTest, ProcessDetailsPrefersTheApplicationThenTheExecutable) {
    applications.add({10, "Cheese", "org.gnome.Cheese", std::nullopt, true, true, {}});
    applications.add({11, std::nullopt, "org.example.NoName", std::nullopt, false, true, {}});
    applications.add({12, std::nullopt, std::nullopt, std::nullopt, false, false, {}});
    processes.executablePaths[20] = "/usr/bin/ffmpeg";

    EXPECT_EQ(operations.processDetails(10)->name, "Cheese");
    EXPECT_EQ(operations.processDetails(11)->name, "org.example.NoName");
    EXPECT_EQ(operations.processDetails(12)->name, "Unknown");

    const std::optional<ProcessInfo> fromExecutable = operations.processDetails(20);
    ASSERT_TRUE(fromExecutable);
    EXPECT_EQ(fromExecutable->name, "ffmpeg");
    EXPECT_FALSE(fromExecutable->bundleIdentifier);
    EXPECT_FALSE(fromExecutable->path);

    // No application and no executable path: no record at all.
    EXPECT_FALSE(operations.processDetails(21));
}

TEST_F(ProcessOperationsTest, UsageDeclarationNeedsADescriptionOrATrueAudioInputFlag) {
    applications.infoByPath["/apps/camera-only"] = {{"NSCameraUsageDescription", "Takes photos"}};
    applications.infoByPath["/apps/mic"] = {{"NSMicrophoneUsageDescription", QVariant()}};
    applications.infoByPath["/apps/flag-true"] = {{"com.apple.security.device.audio-input", true}};
    applications.infoByPath["/apps/flag-false"] = {
        {"com.apple.security.device.audio-input", false}};
    applications.infoByPath["/apps/flag-string"] = {
        {"com.apple.security.device.audio-input", "true"}};
    applications.infoByPath["/apps/nothing"] = {{"CFBundleName", "Nothing"}};

    EXPECT_TRUE(operations.hasMediaUsageDeclaration("/apps/camera-only"));
    EXPECT_TRUE(operations.hasMediaUsageDeclaration("/apps/mic"));
    EXPECT_TRUE(operations.hasMediaUsageDeclaration("/apps/flag-true"));
    EXPECT_FALSE(operations.hasMediaUsageDeclaration("/apps/flag-false"));
    EXPECT_FALSE(operations.hasMediaUsageDeclaration("/apps/flag-string"));
    EXPECT_FALSE(operations.hasMediaUsageDeclaration("/apps/nothing"));
    EXPECT_FALSE(operations.hasMediaUsageDeclaration("/apps/missing"));

    // An identifier nobody registered has an empty path, whose declaration test is negative.
    applications.infoByPath[""] = {{"NSCameraUsageDescription", "never read"}};
    EXPECT_EQ(operations.applicationPath("org.example.Missing"), "");
    EXPECT_FALSE(
        operations.hasMediaUsageDeclaration(operations.applicationPath("org.example.Missing")));
    applications.pathsByIdentifier["org.example.Known"] = "/apps/mic";
    EXPECT_TRUE(
        operations.hasMediaUsageDeclaration(operations.applicationPath("org.example.Known")));
}
