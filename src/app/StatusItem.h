#pragma once

#include "app/StatusMenuModel.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace ostrel {

// The shell's place in the desktop's panel: an icon and its menu.
class StatusItem {
public:
    using ActionHandler = std::function<void(StatusMenuItem::Action)>;

    virtual ~StatusItem() = default;

    // Replaces the whole menu.
    virtual void setMenu(const StatusMenuModel& menu) = 0;
    virtual bool hasMenu() const = 0;
    virtual void setItemTitle(int index, const QString& title) = 0;
    // The plain panel-style icon while idle, the coloured one while a device is in use.
    virtual void setIcon(bool deviceActive) = 0;
    virtual void setActionHandler(ActionHandler handler) = 0;
};

// Several status items driven as one, such as the tray icon and Ostrel's window: each shows
// the same menu, and each calls the same handler.
class StatusItemGroup final : public StatusItem {
public:
    explicit StatusItemGroup(std::vector<StatusItem*> members) : members_(std::move(members)) {}

    void setMenu(const StatusMenuModel& menu) override {
        for (StatusItem* member : members_) {
            member->setMenu(menu);
        }
    }
    bool hasMenu() const override {
        return std::all_of(members_.begin(), members_.end(),
                           [](const StatusItem* member) { return member->hasMenu(); });
    }
    void setItemTitle(int index, const QString& title) override {
        for (StatusItem* member : members_) {
            member->setItemTitle(index, title);
        }
    }
    void setIcon(bool deviceActive) override {
        for (StatusItem* member : members_) {
            member->setIcon(deviceActive);
        }
    }
    void setActionHandler(ActionHandler handler) override {
        for (StatusItem* member : members_) {
            member->setActionHandler(handler);
        }
    }

private:
    std::vector<StatusItem*> members_;
};

} // namespace ostrel
