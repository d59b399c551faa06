#pragma once

#include "dashboard/ActiveProcess.h"

#include <QFrame>

class QLabel;
class QPushButton;

namespace ostrel {

class DeviceBadge;
class StatusBadge;

// One process using a device now: icon, name, device badges, duration, and either "Allowed"
// or the buttons to suspend or resume it and to quit it. Rows are reused: setProcess updates
// the same widgets in place.
class ActiveProcessRow final : public QFrame {
    Q_OBJECT

public:
    explicit ActiveProcessRow(QWidget* parent = nullptr);

    // `blocked`: suspended from the dashboard; `allowed`: exempt on a device it uses.
    void setProcess(const ActiveProcess& process, bool blocked, bool allowed);
    const ActiveProcess& process() const { return process_; }
    QPushButton* blockButton() const { return blockButton_; }
    QPushButton* quitButton() const { return quitButton_; }
    StatusBadge* allowedBadge() const { return allowedBadge_; }

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
    DeviceBadge* cameraBadge_;
    DeviceBadge* microphoneBadge_;
    QLabel* when_;
    QLabel* duration_;
    StatusBadge* allowedBadge_;
    QPushButton* blockButton_;
    QPushButton* quitButton_;
};

} // namespace ostrel
