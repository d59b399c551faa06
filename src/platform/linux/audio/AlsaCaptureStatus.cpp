#include "platform/linux/audio/AlsaCaptureStatus.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <climits>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

// Status and info files are a few hundred bytes; the cap guards against a tree that is not
// really the kernel's.
constexpr qint64 kMaxFileSize = 64 * 1024;

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(kMaxFileSize);
}

// The value of a "key: value" line ("owner_pid   : 42" pads the key with blanks).
std::optional<QString> fieldValue(const QByteArray& contents, QByteArrayView key) {
    for (const QByteArray& line : contents.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && QByteArrayView(line).first(colon).trimmed() == key) {
            return QString::fromUtf8(line.mid(colon + 1).trimmed());
        }
    }
    return std::nullopt;
}

// Entries of `folder` named prefix + number + suffix, with their numbers, ascending.
std::vector<std::pair<int, QString>> numberedEntries(const QString& folder, const QString& prefix,
                                                     const QString& suffix) {
    std::vector<std::pair<int, QString>> entries;
    const QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.size() <= prefix.size() + suffix.size() || !name.startsWith(prefix) ||
            !name.endsWith(suffix)) {
            continue;
        }
        const QStringView digits =
            QStringView(name).sliced(prefix.size(), name.size() - prefix.size() - suffix.size());
        bool ok = std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
        const int number = ok ? digits.toInt(&ok) : 0;
        if (ok) {
            entries.emplace_back(number, folder + QLatin1Char('/') + name);
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

AlsaCaptureStatus::AlsaCaptureStatus(QString asoundRoot, QString procRoot)
    : asoundRoot_(std::move(asoundRoot)), procRoot_(std::move(procRoot)) {}

std::vector<AlsaCapturePcm> AlsaCaptureStatus::capturePcms() const {
    std::vector<AlsaCapturePcm> pcms;
    for (const auto& [card, cardFolder] :
         numberedEntries(asoundRoot_, QStringLiteral("card"), QString())) {
        for (const auto& [device, pcmFolder] :
             numberedEntries(cardFolder, QStringLiteral("pcm"), QStringLiteral("c"))) {
            AlsaCapturePcm pcm;
            pcm.card = card;
            pcm.device = device;
            const QByteArray info = readSmallFile(pcmFolder + QStringLiteral("/info"));
            pcm.name = fieldValue(info, "name").value_or(QString());
            if (pcm.name.isEmpty()) {
                pcm.name = fieldValue(info, "id").value_or(QString());
            }
            if (pcm.name.isEmpty()) {
                pcm.name = pcm.alsaName();
            }
            for (const auto& [number, subFolder] :
                 numberedEntries(pcmFolder, QStringLiteral("sub"), QString())) {
                pcm.substreams.push_back(readSubstream(subFolder, number));
            }
            pcms.push_back(std::move(pcm));
        }
    }
    return pcms;
}

AlsaCaptureSubstream AlsaCaptureStatus::readSubstream(const QString& folder, int number) const {
    AlsaCaptureSubstream substream;
    substream.number = number;
    const QByteArray status = readSmallFile(folder + QStringLiteral("/status"));
    substream.isRunning = fieldValue(status, "state") == QStringLiteral("RUNNING");
    bool ok = false;
    const qint32 owner = fieldValue(status, "owner_pid").value_or(QString()).toInt(&ok);
    if (ok && owner > 0) {
        const qint32 process = processOfThread(owner);
        substream.ownerPid = process;
        substream.ownerName = QString::fromUtf8(
            readSmallFile(QStringLiteral("%1/%2/comm").arg(procRoot_).arg(process)).trimmed());
        substream.ownerExecutable = executableOf(process);
    }
    return substream;
}

// The kernel records the thread that opened the device; a thread id has its own proc entry
// whose status names the process (thread group) it belongs to.
qint32 AlsaCaptureStatus::processOfThread(qint32 threadId) const {
    const QByteArray status =
        readSmallFile(QStringLiteral("%1/%2/status").arg(procRoot_).arg(threadId));
    bool ok = false;
    const qint32 process = fieldValue(status, "Tgid").value_or(QString()).toInt(&ok);
    return ok && process > 0 ? process : threadId;
}

// The kernel appends " (deleted)" once the file was replaced, as when a package update
// installs a new server binary under the running one.
QString AlsaCaptureStatus::executableOf(qint32 process) const {
    const QByteArray link =
        QFile::encodeName(QStringLiteral("%1/%2/exe").arg(procRoot_).arg(process));
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length <= 0 || length == ssize_t(sizeof target)) {
        return {};
    }
    QString path = QFile::decodeName(QByteArray(target, length));
    const QString deleted = QStringLiteral(" (deleted)");
    if (path.endsWith(deleted)) {
        path.chop(deleted.size());
    }
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace ostrel
