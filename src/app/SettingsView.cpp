#include "app/SettingsView.h"

#include "app/AppDelegate.h"
#include "base/Log.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace ostrel {

namespace {

QLabel* secondaryLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSize(11);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

// A selector that the mouse wheel changes only once it has the focus, so that scrolling
// past it never changes a setting, let alone deletes activity.
class FocusedComboBox final : public QComboBox {
public:
    explicit FocusedComboBox(QWidget* parent) : QComboBox(parent) {
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void wheelEvent(QWheelEvent* event) override {
        if (hasFocus()) {
            QComboBox::wheelEvent(event);
        } else {
            event->ignore();
        }
    }
};

// What the user is asked before `count` entries, the oldest from `oldest`, are deleted.
QString deletionQuestion(qsizetype count, const QDateTime& oldest) {
    const QString day =
        QLocale::c().toString(oldest.toLocalTime().date(), QStringLiteral("d MMMM yyyy"));
    return count == 1 ? QStringLiteral("This deletes 1 entry, from %1. Continue?").arg(day)
                      : QStringLiteral("This deletes %1 entries, the oldest from %2. Continue?")
                            .arg(count)
                            .arg(day);
}

} // namespace

SettingsView::SettingsView(const SettingsEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
    auto* stack = new QVBoxLayout(this);
    stack->setSpacing(20);
    stack->setContentsMargins(30, 30, 30, 0);
    stack->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* title = new QLabel(QStringLiteral("Ostrel Settings"), this);
    QFont titleFont = title->font();
    titleFont.setPointSize(16);
    titleFont.setBold(true);
    title->setFont(titleFont);
    stack->addWidget(title);

    QSettings& preferences = environment_.preferences;
    autoMonitoring_ =
        addCheckbox(QStringLiteral("Start monitoring automatically when app launches"),
                    preferences.value(AppDelegate::autoStartMonitoringKey, false).toBool(),
                    &SettingsView::autoMonitoringChanged);
    inactiveAlerts_ =
        addCheckbox(QStringLiteral("Show alerts when devices become inactive"),
                    preferences.value(NotificationManager::showInactiveAlertsKey, false).toBool(),
                    &SettingsView::inactiveAlertsChanged);
    autoStart_ =
        addCheckbox(QStringLiteral("Start Ostrel automatically at login"),
                    environment_.startAtLogin.isEnabled(), &SettingsView::autoStartChanged);
    soundAlerts_ =
        addCheckbox(QStringLiteral("Play sound with alerts"),
                    preferences.value(NotificationManager::soundAlertsKey, false).toBool(),
                    &SettingsView::soundAlertsChanged);

    // Without a writer the activity log could never keep more than a day.
    auto* retentionBlock = new QVBoxLayout;
    retentionBlock->setSpacing(4);
    auto* retentionRow = new QHBoxLayout;
    retentionRow->addWidget(new QLabel(QStringLiteral("Keep activity for"), this));
    retention_ = new FocusedComboBox(this);
    for (LogRetentionPeriod period : kAllLogRetentionPeriods) {
        retention_->addItem(displayName(period), rawValue(period));
    }
    retentionIndex_ = retention_->findData(rawValue(storedRetentionPeriod()));
    retention_->setCurrentIndex(retentionIndex_);
    retentionRow->addWidget(retention_);
    retentionRow->addStretch();
    retentionBlock->addLayout(retentionRow);
    QLabel* note = secondaryLabel(retentionNote, this);
    note->setWordWrap(true);
    retentionBlock->addWidget(note);
    stack->addLayout(retentionBlock);
    connect(retention_, &QComboBox::currentIndexChanged, this, &SettingsView::retentionSelected);

    stack->addSpacing(20);
    version_ = secondaryLabel(environment_.version.displayText(), this);
    stack->addWidget(version_);
    stack->addStretch();
}

QCheckBox* SettingsView::addCheckbox(const QString& text, bool checked,
                                     void (SettingsView::*action)(bool)) {
    auto* checkbox = new QCheckBox(text, this);
    checkbox->setChecked(checked);
    connect(checkbox, &QCheckBox::toggled, this, [this, action](bool on) { (this->*action)(on); });
    layout()->addWidget(checkbox);
    return checkbox;
}

LogRetentionPeriod SettingsView::storedRetentionPeriod() const {
    const QString stored =
        environment_.preferences.value(AppDelegate::logRetentionPeriodKey).toString();
    // A value the launch could not apply left the logger's own period in force.
    return logRetentionPeriodFromRawValue(stored).value_or(
        environment_.activityLogger.currentRetentionPeriod());
}

void SettingsView::autoMonitoringChanged(bool on) {
    environment_.preferences.setValue(AppDelegate::autoStartMonitoringKey, on);
}

void SettingsView::inactiveAlertsChanged(bool on) {
    environment_.preferences.setValue(NotificationManager::showInactiveAlertsKey, on);
}

void SettingsView::autoStartChanged(bool on) {
    if (environment_.startAtLogin.setEnabled(on)) {
        logLine(on ? QStringLiteral("Auto-start enabled") : QStringLiteral("Auto-start disabled"));
        return;
    }
    const QSignalBlocker blocker(autoStart_);
    autoStart_->setChecked(environment_.startAtLogin.isEnabled());
}

void SettingsView::soundAlertsChanged(bool on) {
    environment_.preferences.setValue(NotificationManager::soundAlertsKey, on);
}

void SettingsView::retentionSelected(int index) {
    const std::optional<LogRetentionPeriod> period =
        logRetentionPeriodFromRawValue(retention_->itemData(index).toString());
    if (!period) {
        return;
    }
    if (!confirmDeletion(*period)) {
        const QSignalBlocker blocker(retention_);
        retention_->setCurrentIndex(retentionIndex_);
        return;
    }
    retentionIndex_ = index;
    retentionPeriodChanged(*period);
}

bool SettingsView::confirmDeletion(LogRetentionPeriod period) {
    // The logger removes exactly the entries outside the period, as of its own clock.
    const QList<ActivityLogEntry>& logs = environment_.activityLogger.logs();
    const qsizetype count = logs.size() - environment_.activityLogger.getLogs(period).size();
    if (count <= 0) {
        return true;
    }
    // The oldest entry of all is among those outside any period that removes one.
    const auto oldest =
        std::min_element(logs.begin(), logs.end(),
                         [](const auto& a, const auto& b) { return a.timestamp < b.timestamp; });
    AlertPresenter& alerts = environment_.alerts ? *environment_.alerts : ownAlerts_;
    const bool confirmed =
        alerts.runModal({AlertStyle::Warning,
                         QStringLiteral("Delete older activity?"),
                         deletionQuestion(count, oldest->timestamp),
                         {QStringLiteral("Continue"), QStringLiteral("Cancel")}}) == 0;
    logLine(confirmed
                ? QStringLiteral("🗑️ [Settings] Keeping activity for %1 deletes %2 entries")
                      .arg(displayName(period))
                      .arg(count)
                : QStringLiteral("↩️ [Settings] Kept the retention period: %1 entries "
                                 "would have been deleted")
                      .arg(count));
    return confirmed;
}

void SettingsView::retentionPeriodChanged(LogRetentionPeriod period) {
    environment_.preferences.setValue(AppDelegate::logRetentionPeriodKey, rawValue(period));
    environment_.activityLogger.setRetentionPeriod(period);
}

} // namespace ostrel
