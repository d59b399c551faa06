#pragma once

#include "app/StatusItem.h"

#include <QStringList>

namespace ostrel {

// Records what the shell shows in the panel.
class FakeStatusItem final : public StatusItem {
public:
    void setMenu(const StatusMenuModel& menu) override {
        titles.clear();
        for (const StatusMenuItem& item : menu.items()) {
            titles.append(item.title);
        }
        ++menusSet;
    }
    bool hasMenu() const override { return menusSet > 0; }
    void setItemTitle(int index, const QString& title) override { titles[index] = title; }
    void setIcon(bool active) override { iconActive = active; }
    void setActionHandler(ActionHandler newHandler) override { handler = std::move(newHandler); }

    void choose(StatusMenuItem::Action action) { handler(action); }

    QStringList titles;
    int menusSet = 0;
    bool iconActive = false;
    ActionHandler handler;
};

} // namespace ostrel
