#include "app/TrayStatusItem.h"

#include "base/Log.h"
#include "ui/IconCatalogue.h"

#include <QCursor>
#include <QKeySequence>

namespace ostrel {

TrayStatusItem::TrayStatusItem(std::function<bool()> askQt) : availability_(std::move(askQt)) {
    availability_.onHostChanged = [this] { recheckTray(); };
    if (availability_.isAvailable()) {
        makeIcon();
    } else {
        logLine(QStringLiteral("🖥️ [TrayStatusItem] The desktop offers no system tray; Ostrel "
                               "keeps monitoring, opens its window when started again, and "
                               "shows the tray icon once a tray appears"));
    }
}

TrayStatusItem::~TrayStatusItem() {
    if (icon_) {
        icon_->hide();
    }
}

void TrayStatusItem::recheckTray() {
    const bool had = icon_ != nullptr;
    // A tray host that came back or was replaced knows nothing of the old icon.
    icon_.reset();
    if (availability_.isAvailable()) {
        makeIcon();
    }
    const bool has = icon_ != nullptr;
    if (has != had) {
        logLine(has ? QStringLiteral("🖥️ [TrayStatusItem] A system tray appeared; showing the "
                                     "tray icon")
                    : QStringLiteral("🖥️ [TrayStatusItem] The system tray went away"));
        if (onTrayAvailabilityChanged) {
            onTrayAvailabilityChanged(has);
        }
    }
}

void TrayStatusItem::makeIcon() {
    icon_ = std::make_unique<QSystemTrayIcon>();
    setIcon(deviceActive_);
    icon_->setToolTip(QStringLiteral("Ostrel"));
    icon_->setContextMenu(menu_.get());
    // Many panels open a tray menu only on a right click; a left click opens it too.
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger && menu_) {
                             menu_->popup(QCursor::pos());
                         }
                     });
    icon_->show();
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
    if (icon_) {
        icon_->setContextMenu(menu.get());
    }
    menu_ = std::move(menu); // the old menu goes only after the tray lets go of it
}

void TrayStatusItem::setItemTitle(int index, const QString& title) {
    if (index >= 0 && index < static_cast<int>(actions_.size())) {
        actions_[static_cast<size_t>(index)]->setText(title);
    }
}

void TrayStatusItem::setIcon(bool deviceActive) {
    deviceActive_ = deviceActive;
    if (icon_) {
        icon_->setIcon(IconCatalogue::statusIcon(deviceActive));
    }
}

} // namespace ostrel
