#pragma once

#include "platform/linux/applications/DesktopEntry.h"
#include "platform/linux/applications/LocaleKeys.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace ostrel {

// The desktop entries of the installed applications, from the applications/ folders of the
// XDG data dirs. Of two entries with the same desktop-file id, the one in the earlier data dir
// wins; a Hidden=true entry deletes its id. Unreadable or odd files are skipped.
class DesktopEntryIndex {
public:
    explicit DesktopEntryIndex(QStringList dataDirs,
                               QStringList localeKeys = localeKeysFromEnvironment());

    // XDG_DATA_HOME (default ~/.local/share), then XDG_DATA_DIRS (default /usr/local/share and
    // /usr/share); relative entries are ignored, as the XDG rules ask.
    static QStringList dataDirsFromEnvironment();

    // Loads the entries again when an applications folder changed since the last load. Package
    // managers and editors replace files by renaming, which changes the folder.
    void reloadIfChanged();
    int loadCount() const { return loadCount_; }

    const QStringList& dataDirs() const { return dataDirs_; }
    const DesktopEntry* entry(const QString& id) const;
    // The indexed entry at this path, else the file read on its own if it is a desktop entry.
    std::optional<DesktopEntry> entryAtPath(const QString& path) const;
    // The desktop-file id that a .desktop path stands for.
    QString idForPath(const QString& path) const;
    // The entry that starts the program (a file name), matched against Exec= and then,
    // ignoring case, StartupWMClass=. Entries run in a terminal are not desktop applications
    // of their own and never match.
    const DesktopEntry* entryForProgram(const QString& programName) const;

private:
    struct FolderStamp {
        QString path;
        qint64 modified = -1; // nanoseconds since the epoch; negative: missing or unsettled
        bool operator==(const FolderStamp&) const = default;
    };

    void load();
    void loadFolder(const QString& applicationsFolder, QHash<QString, bool>& seenIds);
    static FolderStamp stampOf(const QString& folder);
    static FolderStamp settledStampOf(const QString& folder);
    const DesktopEntry* bestMatch(const QStringList& ids, const QString& programName) const;

    QStringList dataDirs_;
    QStringList localeKeys_;
    QHash<QString, DesktopEntry> entries_; // by id
    QHash<QString, QString> idsByPath_;
    QHash<QString, QStringList> idsByProgram_; // ids in load order
    QHash<QString, QStringList> idsByWmClass_; // lower-cased class
    std::vector<FolderStamp> stamps_;
    int loadCount_ = 0;
};

} // namespace ostrel
