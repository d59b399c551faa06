#pragma once

#include "app/StatusItem.h"
#include "ui/TrayAvailability.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <vector>

namespace ostrel {

// The status item as a system tray icon with a menu. Without a tray on the desktop the menu
// is still kept, so the rest of Ostrel works the same, and the icon appears as soon as a tray
// host does.
class TrayStatusItem final : public StatusItem {
public:
    // `askQt` tells whether Qt can show a tray icon now.
    explicit TrayStatusItem(std::function<bool()> askQt = &QSystemTrayIcon::isSystemTrayAvailable);
    ~TrayStatusItem() override;

    void setMenu(const StatusMenuModel& menu) override;
    bool hasMenu() const override { return menu_ != nullptr; }
    void setItemTitle(int index, const QString& title) override;
    void setIcon(bool deviceActive) override;
    void setActionHandler(ActionHandler handler) override { handler_ = std::move(handler); }

    // Whether the icon is in a tray now.
    bool isTrayAvailable() const { return icon_ != nullptr; }
    // Told when a tray appeared or went away after launch, with whether there is one now.
    std::function<void(bool available)> onTrayAvailabilityChanged;

    // For tests.
    QMenu* menu() const { return menu_.get(); }
    QSystemTrayIcon* trayIcon() const { return icon_.get(); }

private:
    void recheckTray();
    void makeIcon();

    TrayAvailability availability_;
    std::unique_ptr<QMenu> menu_;
    std::vector<QAction*> actions_; // by menu index; owned by the menu
    // Made only while a tray can show it, and made anew for each new tray host; it lets go of
    // the menu before the menu goes.
    std::unique_ptr<QSystemTrayIcon> icon_;
    bool deviceActive_ = false;
    ActionHandler handler_;
};

} // namespace ostrel
