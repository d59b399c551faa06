#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

namespace ostrel {

// A /proc tree in a temp folder that a test changes while it runs.
class ProcTree {
public:
    struct Process {
        qint32 parentPid = 1;
        uint uid = 1000;
        QByteArray cgroup = "0::/user.slice/user-1000.slice/session-2.scope\n";
        QString executable;
        QString shortName;
        QStringList commandLine;
        QStringList environment;
    };

    ProcTree();
    QString root() const { return temp_.path(); }
    void add(qint32 pid, const Process& process) const;
    void remove(qint32 pid) const;

private:
    QTemporaryDir temp_;
};

} // namespace ostrel
