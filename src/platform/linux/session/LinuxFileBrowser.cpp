#include "platform/linux/session/LinuxFileBrowser.h"

#include "base/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace ostrel {

LinuxFileBrowser::LinuxFileBrowser(QDBusConnection bus, FolderOpener openFolder, QObject* parent)
    : QObject(parent), bus_(std::move(bus)),
      openFolder_(openFolder ? std::move(openFolder) : FolderOpener([](const QUrl& folder) {
          return QDesktopServices::openUrl(folder);
      })) {}

void LinuxFileBrowser::revealFile(const QString& path) {
    if (!bus_.isConnected()) {
        openFolderOf(path, QStringLiteral("no session bus"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        serviceName, objectPath, QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())
                            .toString(QUrl::FullyEncoded)}
         << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, path](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<> reply = *finished;
                if (reply.isError()) {
                    openFolderOf(path, reply.error().message());
                    return;
                }
                emit revealFinished(path, true);
            });
}

void LinuxFileBrowser::openFolderOf(const QString& path, const QString& reason) {
    const QString folder = QFileInfo(path).absolutePath();
    logLine(QStringLiteral("ℹ️ [FileBrowser] The file manager cannot select %1 (%2) - opening "
                           "its folder")
                .arg(path, reason));
    if (!openFolder_(QUrl::fromLocalFile(folder))) {
        logLine(QStringLiteral("⚠️ [FileBrowser] Could not open the folder %1").arg(folder));
    }
    emit revealFinished(path, false);
}

} // namespace ostrel
