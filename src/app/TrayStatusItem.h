#pragma once

#include "app/StatusItem.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <memory>
#include <vector>

namespace ostrel {

// The status item as a system tray icon with a menu. Without a tray on the desktop the menu
// is still kept, so the rest of Ostrel works the same; that is logged once.
class TrayStatusItem final : public StatusItem {
public:
    TrayStatusItem();
    ~TrayStatusItem() override;

    void setMenu(const StatusMenuModel& menu) override;
    bool hasMenu() const override { return menu_ != nullptr; }
    void setItemTitle(int index, const QString& title) override;
    void setIcon(bool deviceActive) override;
    void setActionHandler(ActionHandler handler) override { handler_ = std::move(handler); }

    // For tests and for the one place that shows the menu without a tray.
    QMenu* menu() const { return menu_.get(); }

private:
    QSystemTrayIcon tray_;
    std::unique_ptr<QMenu> menu_;
    std::vector<QAction*> actions_; // by menu index; owned by the menu
    ActionHandler handler_;
};

} // namespace ostrel
