#include "app/SettingsView.h"

#include "app/AppDelegate.h"
#include "base/Log.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

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
    retention_ = new QComboBox(this);
    for (LogRetentionPeriod period : kAllLogRetentionPeriods) {
        retention_->addItem(displayName(period), rawValue(period));
    }
    retention_->setCurrentIndex(retention_->findData(rawValue(storedRetentionPeriod())));
    retentionRow->addWidget(retention_);
    retentionRow->addStretch();
    retentionBlock->addLayout(retentionRow);
    QLabel* note = secondaryLabel(retentionNote, this);
    note->setWordWrap(true);
    retentionBlock->addWidget(note);
    stack->addLayout(retentionBlock);
    connect(retention_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (const std::optional<LogRetentionPeriod> period =
                logRetentionPeriodFromRawValue(retention_->itemData(index).toString())) {
            retentionPeriodChanged(*period);
        }
    });

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

void SettingsView::retentionPeriodChanged(LogRetentionPeriod period) {
    environment_.preferences.setValue(AppDelegate::logRetentionPeriodKey, rawValue(period));
    environment_.activityLogger.setRetentionPeriod(period);
}

} // namespace ostrel
