#include "app/MainWindow.h"

#include "base/ProductIdentity.h"
#include "ui/IconCatalogue.h"
#include "ui/WindowLayout.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ostrel {

namespace {

constexpr int kWidth = 340;
constexpr int kAppIconSize = 40;
constexpr int kDeviceIconSize = 22;

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), layout_(new QVBoxLayout(this)) {
    setWindowTitle(kProductName);
    setWindowIcon(IconCatalogue::ostrelIcon());
    layout_->setContentsMargins(24, 20, 24, 20);
    layout_->setSpacing(16);
    QLabel* note = plainLabel(closingNote, this);
    note->setWordWrap(true);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    note->setPalette(palette);
    layout_->addWidget(note);
    setFixedWidth(kWidth);
    closeOnEscape(*this);
}

void MainWindow::setMenu(const StatusMenuModel& menu) {
    // The button in use keeps the focus across the rebuild, as "Stop Monitoring" becomes
    // "Start Monitoring" under the user's hands.
    StatusMenuItem::Action focused = StatusMenuItem::Action::None;
    for (size_t index = 0; index < itemWidgets_.size(); ++index) {
        if (itemWidgets_[index] && itemWidgets_[index]->hasFocus()) {
            focused = itemActions_[index];
        }
    }
    if (content_) {
        // The old button may be the one whose click is being handled right now.
        content_->hide();
        content_->deleteLater();
    }
    itemWidgets_.clear();
    itemActions_.clear();

    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* appIcon = new QLabel(content_);
    appIcon->setPixmap(
        IconCatalogue::ostrelIcon().pixmap(QSize(kAppIconSize, kAppIconSize), devicePixelRatioF()));
    header->addWidget(appIcon);
    column->addLayout(header);
    deviceState_ = new QLabel(content_);
    bool hasTitle = false;

    for (const StatusMenuItem& entry : menu.items()) {
        if (entry.isSeparator()) {
            column->addSpacing(8);
            itemWidgets_.push_back(nullptr);
            itemActions_.push_back(entry.action);
            continue;
        }
        if (entry.action == StatusMenuItem::Action::None) {
            QLabel* label = plainLabel(entry.title, content_);
            if (!entry.enabled) {
                // A heading, as the menu's greyed title is; the first one names the window.
                QFont font = label->font();
                font.setPointSize(16);
                font.setBold(true);
                label->setFont(font);
            }
            if (!entry.enabled && !hasTitle) {
                header->addWidget(label, 1);
                hasTitle = true;
            } else {
                column->addWidget(label);
            }
            itemWidgets_.push_back(label);
            itemActions_.push_back(entry.action);
            continue;
        }
        auto* button = new QPushButton(entry.title, content_);
        button->setEnabled(entry.enabled);
        button->setMinimumHeight(30);
        if (!entry.shortcut.isEmpty()) {
            const QKeySequence shortcut(QStringLiteral("Ctrl+") + entry.shortcut.toUpper());
            button->setShortcut(shortcut);
            button->setToolTip(shortcut.toString(QKeySequence::NativeText));
        }
        const StatusMenuItem::Action chosen = entry.action;
        connect(button, &QPushButton::clicked, this, [this, chosen] {
            if (handler_) {
                handler_(chosen);
            }
        });
        column->addWidget(button);
        itemWidgets_.push_back(button);
        itemActions_.push_back(chosen);
    }
    if (!hasTitle) {
        header->addStretch(1);
    }
    header->addWidget(deviceState_);
    showDeviceState();
    layout_->insertWidget(0, content_);
    content_->show();
    for (size_t index = 0; index < itemWidgets_.size(); ++index) {
        if (focused != StatusMenuItem::Action::None && itemActions_[index] == focused) {
            itemWidgets_[index]->setFocus();
        }
    }
    hasMenu_ = true;
    // As tall as the wrapped note needs at the fixed width: a size hint taken at another width
    // would cut off the last button.
    layout_->activate();
    resize(kWidth, std::max(heightForWidth(kWidth), minimumSizeHint().height()));
}

void MainWindow::setItemTitle(int index, const QString& title) {
    QWidget* widget = itemWidget(index);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(title);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(title);
    }
}

void MainWindow::setIcon(bool deviceActive) {
    deviceActive_ = deviceActive;
    showDeviceState();
}

void MainWindow::showDeviceState() {
    if (!deviceState_) {
        return;
    }
    const QIcon icon = IconCatalogue::statusIcon(deviceActive_);
    deviceState_->setPixmap(
        icon.pixmap(QSize(kDeviceIconSize, kDeviceIconSize), devicePixelRatioF()));
    deviceState_->setToolTip(deviceActive_ ? QStringLiteral("A device is in use")
                                           : QStringLiteral("No device is in use"));
}

void MainWindow::showWindow() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

QWidget* MainWindow::itemWidget(int index) const {
    return index >= 0 && index < static_cast<int>(itemWidgets_.size())
               ? itemWidgets_[static_cast<size_t>(index)]
               : nullptr;
}

} // namespace ostrel
