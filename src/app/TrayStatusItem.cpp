#include "app/TrayStatusItem.h"

#include "base/Log.h"

#include <QCursor>
#include <QIcon>
#include <QKeySequence>

namespace ostrel {

TrayStatusItem::TrayStatusItem() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        logLine(
            QStringLiteral("🖥️ [AppDelegate] The desktop offers no system tray; Ostrel keeps "
                           "monitoring without a tray icon"));
    }
    setIcon(false);
    tray_.setToolTip(QStringLiteral("Ostrel"));
    // Many panels open a tray menu only on a right click; a left click opens it too.
    QObject::connect(&tray_, &QSystemTrayIcon::activated, &tray_,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger && menu_) {
                             menu_->popup(QCursor::pos());
                         }
                     });
    tray_.show();
}

TrayStatusItem::~TrayStatusItem() {
    tray_.hide();
}

void TrayStatusItem::setMenu(const StatusMenuModel& model) {
    auto menu = std::make_unique<QMenu>();
    actions_.clear();
    for (const StatusMenuItem& entry : model.items()) {
        if (entry.isSeparator()) {
            actions_.push_back(menu->addSeparator());
            continue;
        }
        QAction* action = menu->addAction(entry.title);
        action->setEnabled(entry.enabled);
        if (!entry.shortcut.isEmpty()) {
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + entry.shortcut.toUpper()));
        }
        if (entry.action != StatusMenuItem::Action::None) {
            const StatusMenuItem::Action chosen = entry.action;
            QObject::connect(action, &QAction::triggered, action, [this, chosen] {
                if (handler_) {
                    handler_(chosen);
                }
            });
        }
        actions_.push_back(action);
    }
    tray_.setContextMenu(menu.get());
    menu_ = std::move(menu); // the old menu goes only after the tray lets go of it
}

void TrayStatusItem::setItemTitle(int index, const QString& title) {
    if (index >= 0 && index < static_cast<int>(actions_.size())) {
        actions_[static_cast<size_t>(index)]->setText(title);
    }
}

void TrayStatusItem::setIcon(bool deviceActive) {
    tray_.setIcon(QIcon(deviceActive ? QStringLiteral(":/icons/ostrel-icon-active.svg")
                                     : QStringLiteral(":/icons/ostrel-icon.svg")));
}

} // namespace ostrel
