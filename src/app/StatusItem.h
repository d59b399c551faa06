#pragma once

#include "app/StatusMenuModel.h"

#include <functional>

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

} // namespace ostrel
