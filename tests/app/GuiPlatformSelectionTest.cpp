#include "app/GuiPlatformSelection.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(GuiPlatformSelection, AlwaysLeavesOffscreenAsTheLastResortUnlessTheUserChose) {
    EXPECT_EQ(chooseGuiPlatform("", "", "").platformList, "offscreen");
    EXPECT_EQ(chooseGuiPlatform("", ":0", "").platformList, "xcb;offscreen");
    EXPECT_EQ(chooseGuiPlatform("", "", "wayland-0").platformList, "wayland;offscreen");
    EXPECT_EQ(chooseGuiPlatform("", ":0", "wayland-0").platformList, "wayland;xcb;offscreen");
    EXPECT_TRUE(chooseGuiPlatform("xcb", "", "").platformList.isEmpty());

    // The fallback is reported once we really ended up offscreen, and only then.
    const GuiPlatformChoice x11 = chooseGuiPlatform("", ":0", "");
    EXPECT_TRUE(offscreenFallbackLine(x11, "xcb").isEmpty());
    EXPECT_FALSE(offscreenFallbackLine(x11, "offscreen").isEmpty());
    EXPECT_TRUE(
        offscreenFallbackLine(chooseGuiPlatform("offscreen", "", ""), "offscreen").isEmpty());
}
