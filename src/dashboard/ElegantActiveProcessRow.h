#pragma once

#include "dashboard/ActiveProcess.h"

#include <QFrame>

class QLabel;
class QPushButton;

namespace ostrel {

class ModernDeviceBadge;
class ModernStatusBadge;

// One process using a device now: icon, name, device badges, duration, and either "Allowed"
// or the buttons to suspend or resume it and to quit it. Rows are reused: setProcess updates
// the same widgets in place.
class ElegantActiveProcessRow final : public QFrame {
    Q_OBJECT

public:
    explicit ElegantActiveProcessRow(QWidget* parent = nullptr);

    // `blocked`: suspended from the dashboard; `allowed`: exempt on a device it uses.
    void setProcess(const ActiveProcess& process, bool blocked, bool allowed);
    const ActiveProcess& process() const { return process_; }
    QPushButton* blockButton() const { return blockButton_; }
    QPushButton* quitButton() const { return quitButton_; }
    ModernStatusBadge* allowedBadge() const { return allowedBadge_; }

signals:
    void blockRequested(qint32 pid);
    void unblockRequested(qint32 pid);
    void quitRequested(qint32 pid);

private:
    ActiveProcess process_;
    bool blocked_ = false;
    QLabel* icon_;
    QLabel* name_;
    QLabel* status_;
    ModernDeviceBadge* cameraBadge_;
    ModernDeviceBadge* microphoneBadge_;
    QLabel* when_;
    QLabel* duration_;
    ModernStatusBadge* allowedBadge_;
    QPushButton* blockButton_;
    QPushButton* quitButton_;
};

} // namespace ostrel
