#pragma once

#include "activitylog/ActivityLogger.h"
#include "app/AppVersionInfo.h"
#include "platform/StartAtLogin.h"
#include "ui/QtAlertPresenter.h"

#include <QSettings>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace ostrel {

// What the settings window reads and writes.
struct SettingsEnvironment {
    QSettings& preferences;
    StartAtLogin& startAtLogin;
    ActivityLogger& activityLogger;
    AppVersionInfo version;
    // Asks before a shorter period deletes activity; without one, a message box over the
    // settings window asks.
    AlertPresenter* alerts = nullptr;
};

// The settings: each control shows the value stored when the view was made and writes its
// preference the moment it changes.
class SettingsView final : public QWidget {
public:
    static inline const QString retentionNote =
        QStringLiteral("A shorter period asks first, then removes older activity at once.");

    explicit SettingsView(const SettingsEnvironment& environment, QWidget* parent = nullptr);

    void autoMonitoringChanged(bool on);
    void inactiveAlertsChanged(bool on);
    // Registers or removes the autostart entry; on failure the box shows the real state.
    void autoStartChanged(bool on);
    void soundAlertsChanged(bool on);
    void retentionPeriodChanged(LogRetentionPeriod period);

    QCheckBox* autoMonitoringCheckbox() const { return autoMonitoring_; }
    QCheckBox* inactiveAlertsCheckbox() const { return inactiveAlerts_; }
    QCheckBox* autoStartCheckbox() const { return autoStart_; }
    QCheckBox* soundAlertsCheckbox() const { return soundAlerts_; }
    QComboBox* retentionSelector() const { return retention_; }
    QLabel* versionLabel() const { return version_; }

private:
    QCheckBox* addCheckbox(const QString& text, bool checked, void (SettingsView::*action)(bool));
    LogRetentionPeriod storedRetentionPeriod() const;
    // A period that would delete entries applies only once the user agreed; else the
    // selector shows the previous choice again.
    void retentionSelected(int index);
    bool confirmDeletion(LogRetentionPeriod period);

    SettingsEnvironment environment_;
    QCheckBox* autoMonitoring_ = nullptr;
    QCheckBox* inactiveAlerts_ = nullptr;
    QCheckBox* autoStart_ = nullptr;
    QCheckBox* soundAlerts_ = nullptr;
    QComboBox* retention_ = nullptr;
    QLabel* version_ = nullptr;
    int retentionIndex_ = -1;
    QtAlertPresenter ownAlerts_{this};
};

} // namespace ostrel
