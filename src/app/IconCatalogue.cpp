#include "app/IconCatalogue.h"

#include <QApplication>
#include <QHash>
#include <QStyle>

namespace ostrel {

namespace {

struct Entry {
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

const QHash<QString, Entry>& entries() {
    static const QHash<QString, Entry> table{
        {"eye.fill", {"view-visible", QStyle::SP_DesktopIcon}},
        {"eye.slash", {"view-hidden", QStyle::SP_DialogCancelButton}},
        {"video.fill", {"camera-web", QStyle::SP_MediaPlay}},
        {"video.slash.fill", {"camera-off", QStyle::SP_MediaStop}},
        {"camera.fill", {"camera-photo", QStyle::SP_MediaPlay}},
        {"mic.fill", {"audio-input-microphone", QStyle::SP_MediaVolume}},
        {"mic.slash.fill", {"microphone-sensitivity-muted", QStyle::SP_MediaVolumeMuted}},
        {"bell.fill", {"preferences-system-notifications", QStyle::SP_MessageBoxInformation}},
        {"checkmark.circle.fill", {"emblem-ok", QStyle::SP_DialogApplyButton}},
        {"checkmark.shield.fill", {"security-high", QStyle::SP_DialogApplyButton}},
        {"xmark.circle.fill", {"process-stop", QStyle::SP_DialogCancelButton}},
        {"exclamationmark.triangle.fill", {"dialog-warning", QStyle::SP_MessageBoxWarning}},
        {"info.circle", {"dialog-information", QStyle::SP_MessageBoxInformation}},
        {"gear", {"preferences-system", QStyle::SP_FileDialogDetailedView}},
        {"lock.shield.fill", {"security-medium", QStyle::SP_VistaShield}},
        {"shield.fill", {"security-medium", QStyle::SP_VistaShield}},
        {"magnifyingglass", {"edit-find", QStyle::SP_FileDialogContentsView}},
        {"arrow.clockwise", {"view-refresh", QStyle::SP_BrowserReload}},
        {"line.3.horizontal.decrease.circle", {"view-filter", QStyle::SP_FileDialogListView}},
        {"square.and.arrow.up", {"document-export", QStyle::SP_DialogSaveButton}},
        {"square.and.arrow.down", {"document-save", QStyle::SP_DialogSaveButton}},
        {"trash", {"edit-delete", QStyle::SP_TrashIcon}},
        {"folder", {"folder", QStyle::SP_DirIcon}},
        {"clock", {"appointment-soon", QStyle::SP_FileDialogInfoView}},
        {"pause.circle.fill", {"media-playback-pause", QStyle::SP_MediaPause}},
        {"play.circle.fill", {"media-playback-start", QStyle::SP_MediaPlay}},
        {"stop.circle.fill", {"media-playback-stop", QStyle::SP_MediaStop}},
        {"app.fill", {"application-x-executable", QStyle::SP_ComputerIcon}},
        {"questionmark.circle", {"help-about", QStyle::SP_MessageBoxQuestion}},
        {"plus", {"list-add", QStyle::SP_FileDialogNewFolder}},
        {"minus", {"list-remove", QStyle::SP_DialogDiscardButton}},
        {"hand.raised.fill", {"process-stop", QStyle::SP_BrowserStop}},
        {"list.bullet.rectangle", {"view-list-details", QStyle::SP_FileDialogDetailedView}},
        {"chart.bar.fill", {"office-chart-bar", QStyle::SP_FileDialogDetailedView}},
        {"sparkles", {"starred", QStyle::SP_DialogYesButton}},
    };
    return table;
}

} // namespace

QString IconCatalogue::themeName(const QString& symbolName) {
    const auto found = entries().constFind(symbolName);
    return found == entries().constEnd() ? QString() : QString::fromLatin1(found->themeName);
}

QIcon IconCatalogue::icon(const QString& symbolName) {
    const auto found = entries().constFind(symbolName);
    const QStyle::StandardPixmap fallback =
        found == entries().constEnd() ? QStyle::SP_FileIcon : found->fallback;
    const QIcon standard = QApplication::style()->standardIcon(fallback);
    if (found == entries().constEnd()) {
        return standard;
    }
    return QIcon::fromTheme(QString::fromLatin1(found->themeName), standard);
}

} // namespace ostrel
