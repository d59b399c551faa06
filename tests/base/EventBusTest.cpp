#include "base/EventBus.h"

#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace ostrel;

// Any type is an event; Ostrel's are structs.
TEST(EventBus, DeliversInOrderToObserversOfTheTypeAndCancellingTakesEffectAtOnce) {
    EventBus bus;
    std::vector<QString> seen;
    EventBus::Subscription self, fourth;
    auto first = bus.subscribe<QString>([&](const QString& text) { seen.push_back("1" + text); });
    self = bus.subscribe<QString>([&, intact = QString("self")](const QString&) {
        self.cancel();
        seen.push_back(intact); // the running handler survives its own cancelling
    });
    const auto third = bus.subscribe<QString>([&](const QString& text) {
        seen.push_back("3" + text);
        fourth.cancel(); // not reached yet, so it misses this event
    });
    fourth = bus.subscribe<QString>([&](const QString&) { seen.push_back("4"); });
    const auto number = bus.subscribe<int>([&](int) { seen.push_back("number"); });
    bus.publish(QString("a"));
    bus.publish(QString("b"));
    EXPECT_EQ(seen, (std::vector<QString>{"1a", "self", "3a", "1b", "3b"}));

    // Cancelling twice is harmless; a destroyed or replaced subscription ends, a moved one lives.
    seen.clear();
    first.cancel();
    first.cancel();
    {
        const auto dropped = bus.subscribe<int>([&](int) { seen.push_back("dropped"); });
    }
    auto moved = bus.subscribe<int>([&](int) { seen.push_back("moved"); });
    EventBus::Subscription kept = std::move(moved);
    auto replaced = bus.subscribe<int>([&](int) { seen.push_back("replaced"); });
    replaced = bus.subscribe<QString>([](const QString&) {});
    bus.publish(0);
    bus.publish(QString("c"));
    EXPECT_EQ(seen, (std::vector<QString>{"number", "moved", "3c"}));

    // A subscription may outlive its bus.
    auto shortLived = std::make_unique<EventBus>();
    kept = shortLived->subscribe<int>([](int) {});
    shortLived.reset();
    kept.cancel();
}
