#include "ProcTree.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace ostrel {
namespace {

void writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(contents), contents.size());
}

QByteArray nulSeparated(const QStringList& items) {
    QByteArray bytes;
    for (const QString& item : items) {
        bytes += item.toUtf8() + '\0';
    }
    return bytes;
}

} // namespace

ProcTree::ProcTree() {
    EXPECT_TRUE(temp_.isValid());
}

void ProcTree::add(qint32 pid, const Process& process) const {
    const QString folder = root() + '/' + QString::number(pid);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray uid = QByteArray::number(process.uid);
    writeFile(folder + "/status", "Name:\t" + process.shortName.toUtf8() + "\nPid:\t" +
                                      QByteArray::number(pid) + "\nPPid:\t" +
                                      QByteArray::number(process.parentPid) + "\nUid:\t" + uid +
                                      '\t' + uid + '\t' + uid + '\t' + uid + '\n');
    writeFile(folder + "/cgroup", process.cgroup);
    writeFile(folder + "/comm", process.shortName.toUtf8() + '\n');
    writeFile(folder + "/cmdline", nulSeparated(process.commandLine));
    writeFile(folder + "/environ", nulSeparated(process.environment));
    if (!process.executable.isEmpty()) {
        QFile::remove(folder + "/exe");
        ASSERT_TRUE(QFile::link(process.executable, folder + "/exe"));
    }
}

void ProcTree::remove(qint32 pid) const {
    ASSERT_TRUE(QDir(root() + '/' + QString::number(pid)).removeRecursively());
}

} // namespace ostrel
