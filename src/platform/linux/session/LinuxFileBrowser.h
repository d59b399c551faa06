#pragma once

#include "platform/FileBrowser.h"

#include <QDBusConnection>
#include <QObject>
#include <QUrl>
#include <functional>

namespace ostrel {

// Shows a file through the file manager's org.freedesktop.FileManager1.ShowItems on the
// session bus (Nautilus, Dolphin, Nemo, Thunar, ... offer it). When no file manager answers,
// or the session has no bus, the file's folder is opened with the desktop's default handler.
class LinuxFileBrowser final : public QObject, public FileBrowser {
    Q_OBJECT

public:
    using FolderOpener = std::function<bool(const QUrl& folder)>;

    static inline const QString serviceName = QStringLiteral("org.freedesktop.FileManager1");
    static inline const QString objectPath = QStringLiteral("/org/freedesktop/FileManager1");
    // A file manager started on demand by the bus may take a few seconds to answer.
    static constexpr int callTimeoutMs = 10000;

    // `openFolder` defaults to the desktop's handler for folders.
    explicit LinuxFileBrowser(QDBusConnection bus = QDBusConnection::sessionBus(),
                              FolderOpener openFolder = {}, QObject* parent = nullptr);

    void revealFile(const QString& path) override;

signals:
    // The file manager was asked and answered, or the folder was opened: for tests and logs.
    void revealFinished(const QString& path, bool shownByFileManager);

private:
    void openFolderOf(const QString& path, const QString& reason);

    QDBusConnection bus_;
    FolderOpener openFolder_;
};

} // namespace ostrel
