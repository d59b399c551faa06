#include "dashboard/RecentActivityRow.h"

#include "dashboard/DashboardStyle.h"
#include "ui/DeviceBadge.h"
#include "ui/StatusBadge.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace ostrel {

namespace {
constexpr int kIconSize = 28;
} // namespace

RecentActivityRow::RecentActivityRow(QWidget* parent)
    : QFrame(parent), icon_(new QLabel(this)), name_(new QLabel(this)), badges_(new QHBoxLayout),
      status_(new StatusBadge(QString(), dashboard_style::green, this)), when_(new QLabel(this)),
      duration_(new QLabel(this)) {
    setObjectName(QStringLiteral("activityRow"));
    setStyleSheet(QStringLiteral("#activityRow { background: palette(base); "
                                 "border: 1px solid palette(midlight); border-radius: 10px; }"));
    icon_->setFixedSize(kIconSize, kIconSize);
    for (QLabel* label : {name_, when_, duration_}) {
        label->setTextFormat(Qt::PlainText);
    }
    QFont nameFont = name_->font();
    nameFont.setBold(true);
    name_->setFont(nameFont);
    when_->setStyleSheet(QStringLiteral("color: palette(placeholder-text); font-size: 14px;"));
    duration_->setStyleSheet(QStringLiteral("color: palette(placeholder-text); font-size: 12px;"));
    when_->setAlignment(Qt::AlignRight);
    duration_->setAlignment(Qt::AlignRight);
    badges_->setSpacing(4);

    auto* times = new QVBoxLayout;
    times->setSpacing(2);
    times->addWidget(when_);
    times->addWidget(duration_);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 14, 8);
    layout->setSpacing(10);
    layout->addWidget(icon_);
    layout->addWidget(name_, 1);
    layout->addLayout(badges_);
    layout->addWidget(status_);
    layout->addSpacing(12);
    layout->addLayout(times);
}

void RecentActivityRow::setActivity(const ActivityItem& activity, const QDateTime& now) {
    activity_ = activity;
    // Drawn at the screen's pixel ratio, so the icon stays sharp and inside its place.
    icon_->setPixmap(dashboard_style::icon(activity.icon)
                         .pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
    name_->setText(activity.appName);
    while (deviceBadges_.size() > size_t(activity.accessType.size())) {
        delete deviceBadges_.back();
        deviceBadges_.pop_back();
    }
    for (qsizetype index = 0; index < activity.accessType.size(); ++index) {
        const bool camera = activity.accessType[index] == DeviceType::Camera;
        const QString symbol = camera ? QStringLiteral("camera") : QStringLiteral("mic");
        const QColor color = camera ? dashboard_style::blue : dashboard_style::green;
        if (size_t(index) < deviceBadges_.size()) {
            deviceBadges_[size_t(index)]->setBadge(symbol, color);
        } else {
            deviceBadges_.push_back(new DeviceBadge(symbol, color, this));
            badges_->addWidget(deviceBadges_.back());
            deviceBadges_.back()->show();
        }
    }
    status_->setBadge(label(activity.status), dashboard_style::statusColor(activity.status));
    duration_->setText(activity.duration);
    updateTime(now);
}

void RecentActivityRow::updateTime(const QDateTime& now) {
    when_->setText(activity_.timeAgo(now));
}

} // namespace ostrel
