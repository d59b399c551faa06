#include "platform/linux/applications/DesktopEntryIndex.h"

#include "base/Log.h"
#include "platform/linux/applications/LaunchCommand.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <ctime>
#include <sys/stat.h>

namespace ostrel {
namespace {

// A desktop entry is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxEntryFileSize = 1 << 20;
// Deeper nesting than any desktop uses; it also ends symlink loops.
constexpr int kMaxFolderDepth = 8;

constexpr qint64 kNanosecondsPerSecond = 1'000'000'000;
constexpr qint64 kSettleTime = 2 * kNanosecondsPerSecond;
constexpr qint64 kMissing = -1;
constexpr qint64 kUnsettled = -2; // never equal to a folder's real time

const QString kApplicationsFolder = QStringLiteral("/applications");

std::optional<DesktopEntry> readEntryFile(const QString& path, const QString& id,
                                          const QStringList& localeKeys) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    if (file.size() > kMaxEntryFileSize) {
        logLine(QStringLiteral("⚠️ [RunningApplications] Skipping oversized desktop entry: ") +
                path);
        return std::nullopt;
    }
    const QByteArray text = file.read(kMaxEntryFileSize + 1);
    return DesktopEntry::fromKeyFile(KeyFile::parse(text), id, path, localeKeys);
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QStringList dataDirs, QStringList localeKeys)
    : dataDirs_(std::move(dataDirs)), localeKeys_(std::move(localeKeys)) {
    for (QString& dir : dataDirs_) {
        dir = QDir::cleanPath(dir);
    }
    load();
}

QStringList DesktopEntryIndex::dataDirsFromEnvironment() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(home)) {
        home = QDir::homePath() + QStringLiteral("/.local/share");
    }
    QStringList dirs{home};
    QStringList system = qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts);
    if (system.isEmpty()) {
        system = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    }
    for (const QString& dir : system) {
        if (QDir::isAbsolutePath(dir) && !dirs.contains(QDir::cleanPath(dir))) {
            dirs.append(QDir::cleanPath(dir));
        }
    }
    return dirs;
}

DesktopEntryIndex::FolderStamp DesktopEntryIndex::stampOf(const QString& folder) {
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return {folder, kMissing};
    }
    return {folder, qint64(info.st_mtim.tv_sec) * kNanosecondsPerSecond + info.st_mtim.tv_nsec};
}

DesktopEntryIndex::FolderStamp DesktopEntryIndex::settledStampOf(const QString& folder) {
    FolderStamp stamp = stampOf(folder);
    // Folder times advance in coarse steps: a file added within the same step as this load
    // would leave the time unchanged. A folder changed that recently is read again next time.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const qint64 age = qint64(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec - stamp.modified;
    if (stamp.modified != kMissing && age >= 0 && age < kSettleTime) {
        stamp.modified = kUnsettled;
    }
    return stamp;
}

void DesktopEntryIndex::reloadIfChanged() {
    const bool changed = std::any_of(stamps_.begin(), stamps_.end(), [](const FolderStamp& stamp) {
        return stampOf(stamp.path) != stamp;
    });
    if (changed) {
        load();
    }
}

void DesktopEntryIndex::load() {
    ++loadCount_;
    entries_.clear();
    idsByPath_.clear();
    idsByProgram_.clear();
    idsByWmClass_.clear();
    stamps_.clear();
    QHash<QString, bool> seenIds;
    for (const QString& dir : dataDirs_) {
        loadFolder(dir + kApplicationsFolder, seenIds);
    }
}

void DesktopEntryIndex::loadFolder(const QString& applicationsFolder,
                                   QHash<QString, bool>& seenIds) {
    stamps_.push_back(settledStampOf(applicationsFolder));
    if (stamps_.back().modified == kMissing) {
        return;
    }
    QStringList files;
    QDirIterator it(applicationsFolder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(applicationsFolder.size() + 1);
        if (relative.count(u'/') >= kMaxFolderDepth) {
            continue;
        }
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            stamps_.push_back(settledStampOf(path));
        } else if (relative.endsWith(QStringLiteral(".desktop"))) {
            files.append(relative);
        }
    }
    files.sort();
    for (const QString& relative : files) {
        QString id = relative.chopped(8);
        id.replace(u'/', u'-');
        if (seenIds.contains(id)) {
            continue; // an earlier data dir has this id
        }
        seenIds.insert(id, true);
        const QString path = applicationsFolder + u'/' + relative;
        std::optional<DesktopEntry> entry = readEntryFile(path, id, localeKeys_);
        if (!entry || entry->hidden) {
            continue;
        }
        if (!entry->terminal) {
            if (!entry->program.isEmpty() && !LaunchCommand::isGenericProgram(entry->program)) {
                idsByProgram_[entry->program].append(id);
            }
            if (!entry->startupWmClass.isEmpty()) {
                idsByWmClass_[entry->startupWmClass.toLower()].append(id);
            }
        }
        idsByPath_.insert(path, id);
        entries_.insert(id, std::move(*entry));
    }
}

const DesktopEntry* DesktopEntryIndex::entry(const QString& id) const {
    const auto found = entries_.constFind(id);
    return found == entries_.constEnd() ? nullptr : &*found;
}

QString DesktopEntryIndex::idForPath(const QString& path) const {
    const QString clean = QDir::cleanPath(path);
    QString relative;
    for (const QString& dir : dataDirs_) {
        const QString prefix = dir + kApplicationsFolder + u'/';
        if (clean.startsWith(prefix)) {
            relative = clean.mid(prefix.size());
            relative.replace(u'/', u'-');
            break;
        }
    }
    if (relative.isEmpty()) {
        // A data dir Ostrel does not know: the id still starts after its applications folder.
        const qsizetype folder = clean.lastIndexOf(kApplicationsFolder + u'/');
        relative = folder >= 0 ? clean.mid(folder + kApplicationsFolder.size() + 1)
                               : QFileInfo(clean).fileName();
        relative.replace(u'/', u'-');
    }
    if (relative.endsWith(QStringLiteral(".desktop"))) {
        relative.chop(8);
    }
    return relative;
}

std::optional<DesktopEntry> DesktopEntryIndex::entryAtPath(const QString& path) const {
    const QString clean = QDir::cleanPath(path);
    if (const auto found = idsByPath_.constFind(clean); found != idsByPath_.constEnd()) {
        return *entry(*found);
    }
    if (!clean.endsWith(QStringLiteral(".desktop")) || !QFileInfo(clean).isFile()) {
        return std::nullopt;
    }
    return readEntryFile(clean, idForPath(clean), localeKeys_);
}

const DesktopEntry* DesktopEntryIndex::bestMatch(const QStringList& ids,
                                                 const QString& programName) const {
    const DesktopEntry* best = nullptr;
    int bestRank = -1;
    for (const QString& id : ids) {
        const DesktopEntry* candidate = entry(id);
        // An id naming the program ("org.gnome.Cheese" for cheese) beats an entry that merely
        // starts it; a shown entry beats a NoDisplay helper entry.
        const bool namesProgram = id.compare(programName, Qt::CaseInsensitive) == 0 ||
                                  id.endsWith(u'.' + programName, Qt::CaseInsensitive);
        const int rank = (namesProgram ? 2 : 0) + (candidate->noDisplay ? 0 : 1);
        if (rank > bestRank) {
            best = candidate;
            bestRank = rank;
        }
    }
    return best;
}

const DesktopEntry* DesktopEntryIndex::entryForProgram(const QString& programName) const {
    if (const auto found = idsByProgram_.constFind(programName);
        found != idsByProgram_.constEnd()) {
        return bestMatch(*found, programName);
    }
    if (const auto found = idsByWmClass_.constFind(programName.toLower());
        found != idsByWmClass_.constEnd()) {
        return bestMatch(*found, programName);
    }
    return nullptr;
}

} // namespace ostrel
