#include "base/NotificationCenter.h"

#include <gtest/gtest.h>
#include <vector>

using namespace ostrel;

TEST(NotificationCenter, DeliversToObserversOfTheNameInOrderWithUserInfo) {
    NotificationCenter center;
    std::vector<QString> seen;
    center.addObserver("KernelDeviceActivityDetected", [&](const Notification& n) {
        seen.push_back("first:" + n.userInfo.value("deviceName").toString());
    });
    center.addObserver("HighRiskProcessDetected",
                       [&](const Notification&) { seen.push_back("other"); });
    center.addObserver("KernelDeviceActivityDetected",
                       [&](const Notification& n) { seen.push_back("second:" + n.name); });

    center.post("KernelDeviceActivityDetected", {{"deviceName", "USB Camera"}});
    EXPECT_EQ(seen,
              (std::vector<QString>{"first:USB Camera", "second:KernelDeviceActivityDetected"}));
}

TEST(NotificationCenter, RemovalTakesEffectAtOnceEvenDuringDelivery) {
    NotificationCenter center;
    int first = 0;
    int second = 0;
    NotificationCenter::ObserverId secondId = 0;
    const auto firstId = center.addObserver("BriefAccessDetected", [&](const Notification&) {
        ++first;
        center.removeObserver(secondId);
    });
    secondId = center.addObserver("BriefAccessDetected", [&](const Notification&) { ++second; });

    center.post("BriefAccessDetected");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);

    center.removeObserver(firstId);
    center.removeObserver(firstId); // removing twice is harmless
    center.post("BriefAccessDetected");
    EXPECT_EQ(first, 1);
}

TEST(NotificationCenter, AnObserverMayRemoveItselfWhileRunning) {
    NotificationCenter center;
    int calls = 0;
    NotificationCenter::ObserverId id = 0;
    id = center.addObserver("DirectDeviceAccessDetected", [&](const Notification& n) {
        center.removeObserver(id);
        ++calls;
        EXPECT_EQ(n.name, "DirectDeviceAccessDetected"); // the handler is still intact
    });
    center.post("DirectDeviceAccessDetected");
    center.post("DirectDeviceAccessDetected");
    EXPECT_EQ(calls, 1);
}
