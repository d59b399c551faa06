#include "platform/linux/audio/StreamOwner.h"

#include "platform/linux/audio/SoundServerNames.h"

#include <QFile>
#include <QStringList>
#include <climits>
#include <unistd.h>
#include <utility>

namespace ostrel {
namespace {

const QString kDeletedSuffix = QStringLiteral(" (deleted)");

QString baseName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Volume controls show input levels by recording every source; they are known by where their
// executable is installed, not by what they call themselves.
bool isVolumeControlExecutable(const QString& path) {
    static const QStringList names{
        QStringLiteral("pavucontrol"),
        QStringLiteral("pavucontrol-qt"),
        QStringLiteral("gnome-control-center"),
        QStringLiteral("mate-volume-control"),
        QStringLiteral("kmix"),
        QStringLiteral("plasmashell"),
        QStringLiteral("systemsettings"),
        QStringLiteral("xfce4-panel"),
    };
    return path.startsWith(u"/usr/") && names.contains(baseName(path));
}

} // namespace

StreamOwnerRule::StreamOwnerRule(QString procRoot) : procRoot_(std::move(procRoot)) {}

QString StreamOwnerRule::unverifiedName(const QString& claimedName) {
    return claimedName + QStringLiteral(" (unverified)");
}

QString StreamOwnerRule::executablePath(qint32 pid) const {
    if (pid <= 0) {
        return {};
    }
    const QByteArray link = QFile::encodeName(procRoot_ + QLatin1Char('/') + QString::number(pid) +
                                              QStringLiteral("/exe"));
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length <= 0) {
        return {};
    }
    QString path = QFile::decodeName(QByteArray(target, length));
    if (path.endsWith(kDeletedSuffix)) {
        path.chop(kDeletedSuffix.size());
    }
    return path;
}

bool StreamOwnerRule::isRelay(qint32 pid) const {
    return isSoundServerProcessName(baseName(executablePath(pid)));
}

StreamOwner StreamOwnerRule::ownerOf(const StreamClaim& claim) const {
    auto process = [](qint32 pid, const QString& executable) {
        return StreamOwner{StreamOwner::Kind::Process, pid, baseName(executable),
                           isVolumeControlExecutable(executable)};
    };
    if (claim.peerProcessId) {
        const QString executable = executablePath(*claim.peerProcessId);
        if (!isSoundServerProcessName(baseName(executable))) {
            // The kernel's pid, even when the executable cannot be read (another user's).
            return process(*claim.peerProcessId, executable);
        }
    }
    if (claim.declaredProcessId) {
        const QString executable = executablePath(*claim.declaredProcessId);
        const QString name = baseName(executable);
        // A server's own streams: it names itself, or the relay says it is the program.
        if (isSoundServerProcessName(name) || claim.declaredProcessId == claim.peerProcessId) {
            return {StreamOwner::Kind::SoundServer, 0, name, false};
        }
        if (!name.isEmpty() && name == claim.declaredBinary) {
            return process(*claim.declaredProcessId, executable);
        }
    }
    QString claimed = claim.portalAppId;
    for (const QString& candidate : {claim.declaredBinary, claim.applicationName}) {
        if (claimed.isEmpty()) {
            claimed = candidate;
        }
    }
    if (claimed.isEmpty()) {
        claimed = QStringLiteral("an unidentified program");
    }
    return {StreamOwner::Kind::Unverified, 0, unverifiedName(claimed), false};
}

} // namespace ostrel
