#include "dashboard/ActiveProcessRow.h"

#include "dashboard/DashboardStyle.h"
#include "ui/DeviceBadge.h"
#include "ui/StatusBadge.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int kIconSize = 32;

QString buttonStyle(const QColor& color) {
    return QStringLiteral("QPushButton { color: white; background: %1; border: none; "
                          "border-radius: 6px; padding: 4px 12px; font-weight: 600; }"
                          "QPushButton:pressed { background: %2; }")
        .arg(color.name(), color.darker(120).name());
}

QLabel* plainLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

ActiveProcessRow::ActiveProcessRow(QWidget* parent)
    : QFrame(parent), icon_(new QLabel(this)), name_(plainLabel(this)), status_(plainLabel(this)),
      cameraBadge_(new DeviceBadge(QStringLiteral("camera.fill"), dashboard_style::blue, this)),
      microphoneBadge_(new DeviceBadge(QStringLiteral("mic.fill"), dashboard_style::green, this)),
      when_(plainLabel(this)), duration_(plainLabel(this)),
      allowedBadge_(new StatusBadge(QStringLiteral("Allowed"), dashboard_style::green, this)),
      blockButton_(new QPushButton(this)),
      quitButton_(new QPushButton(QStringLiteral("Quit"), this)) {
    setObjectName(QStringLiteral("activeProcessRow"));
    setStyleSheet(QStringLiteral("#activeProcessRow { background: palette(base); "
                                 "border: 1px solid palette(midlight); border-radius: 10px; }"));
    icon_->setFixedSize(kIconSize, kIconSize);
    QFont nameFont = name_->font();
    nameFont.setBold(true);
    name_->setFont(nameFont);
    status_->setStyleSheet(QStringLiteral("color: palette(placeholder-text); font-size: 11px;"));
    when_->setStyleSheet(QStringLiteral("color: palette(placeholder-text); font-size: 14px;"));
    duration_->setStyleSheet(QStringLiteral("color: palette(placeholder-text); font-size: 12px;"));
    when_->setAlignment(Qt::AlignRight);
    duration_->setAlignment(Qt::AlignRight);
    quitButton_->setStyleSheet(buttonStyle(dashboard_style::red));
    for (QPushButton* button : {blockButton_, quitButton_}) {
        button->setCursor(Qt::PointingHandCursor);
        // Wide enough for "Unblock", so the row does not jump when the label changes.
        button->setMinimumWidth(84);
    }

    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(name_);
    names->addWidget(status_);

    auto* times = new QVBoxLayout;
    times->setSpacing(2);
    times->addWidget(when_);
    times->addWidget(duration_);
    auto* actions = new QHBoxLayout;
    actions->addStretch();
    actions->addWidget(allowedBadge_);
    actions->addWidget(blockButton_);
    actions->addWidget(quitButton_);
    times->addLayout(actions);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(10);
    layout->addWidget(icon_);
    layout->addLayout(names, 1);
    layout->addWidget(cameraBadge_);
    layout->addWidget(microphoneBadge_);
    layout->addSpacing(12);
    layout->addLayout(times);

    connect(blockButton_, &QPushButton::clicked, this, [this] {
        if (blocked_) {
            emit unblockRequested(process_.pid);
        } else {
            emit blockRequested(process_.pid);
        }
    });
    connect(quitButton_, &QPushButton::clicked, this, [this] { emit quitRequested(process_.pid); });
}

void ActiveProcessRow::setProcess(const ActiveProcess& process, bool blocked, bool allowed) {
    process_ = process;
    blocked_ = blocked;
    // Drawn at the screen's pixel ratio, so the icon stays sharp and inside its place.
    icon_->setPixmap(dashboard_style::icon(process.icon)
                         .pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
    name_->setText(process.name);
    status_->setText(process.statusText);
    cameraBadge_->setVisible(process.accessingCamera);
    microphoneBadge_->setVisible(process.accessingMicrophone);
    when_->setText(process.duration.contains(QLatin1Char(':')) ? QStringLiteral("Just now")
                                                               : process.duration);
    duration_->setText(process.duration);

    // Rows without a process Ostrel may signal offer no actions at all.
    const bool showAllowed = allowed && (process.accessingCamera || process.accessingMicrophone);
    const bool showActions = !showAllowed && process.canControl;
    allowedBadge_->setVisible(showAllowed);
    blockButton_->setVisible(showActions);
    quitButton_->setVisible(showActions);
    blockButton_->setText(blocked ? QStringLiteral("Unblock") : QStringLiteral("Block"));
    blockButton_->setStyleSheet(
        buttonStyle(blocked ? dashboard_style::green : dashboard_style::orange));
}

} // namespace ostrel
