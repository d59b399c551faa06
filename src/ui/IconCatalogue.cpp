#include "ui/IconCatalogue.h"

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
        {"lock.shield.fill", {"security-medium", QStyle::SP_MessageBoxInformation}},
        {"shield.fill", {"security-medium", QStyle::SP_MessageBoxInformation}},
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
        {"app", {"application-x-executable", QStyle::SP_ComputerIcon}},
        {"video", {"camera-web", QStyle::SP_MediaPlay}},
        {"mic", {"audio-input-microphone", QStyle::SP_MediaVolume}},
        {"list.bullet", {"view-list-text", QStyle::SP_FileDialogListView}},
        {"app.connected.to.app.below.fill", {"applications-other", QStyle::SP_DesktopIcon}},
        {"calendar", {"x-office-calendar", QStyle::SP_FileDialogDetailedView}},
        {"calendar.badge.clock", {"appointment-new", QStyle::SP_FileDialogInfoView}},
        {"clock.badge.questionmark", {"appointment-missed", QStyle::SP_MessageBoxQuestion}},
        {"info.circle.fill", {"dialog-information", QStyle::SP_MessageBoxInformation}},
        {"cpu", {"cpu", QStyle::SP_ComputerIcon}},
        {"camera", {"camera-photo", QStyle::SP_MediaPlay}},
        {"video.circle.fill", {"camera-web", QStyle::SP_MediaPlay}},
        {"folder.fill", {"folder", QStyle::SP_DirIcon}},
        {"safari.fill", {"web-browser", QStyle::SP_DriveNetIcon}},
        {"globe", {"web-browser", QStyle::SP_DriveNetIcon}},
        {"message.fill", {"mail-message", QStyle::SP_FileDialogContentsView}},
        {"phone.fill", {"call-start", QStyle::SP_MediaVolume}},
        {"waveform.circle", {"audio-input-microphone", QStyle::SP_MediaVolume}},
        {"checkmark.shield", {"security-high", QStyle::SP_DialogApplyButton}},
        {"line.horizontal.3.decrease.circle", {"view-filter", QStyle::SP_FileDialogListView}},
        {"line.horizontal.3.decrease.circle.fill",
         {"view-filter", QStyle::SP_FileDialogDetailedView}},
        {"bell.badge.fill", {"preferences-system-notifications", QStyle::SP_MessageBoxInformation}},
        {"shield.lefthalf.filled", {"security-medium", QStyle::SP_DialogApplyButton}},
        {"bell.circle.fill",
         {"preferences-system-notifications", QStyle::SP_MessageBoxInformation}},
        {"hand.raised.slash", {"action-unavailable", QStyle::SP_BrowserStop}},
        {"shield.checkered", {"security-high", QStyle::SP_DialogApplyButton}},
        {"chart.line.uptrend.xyaxis",
         {"utilities-system-monitor", QStyle::SP_FileDialogDetailedView}},
        {"gear.badge.checkmark", {"preferences-system", QStyle::SP_DialogApplyButton}},
    };
    return table;
}

} // namespace

QString IconCatalogue::themeName(const QString& symbolName) {
    const auto found = entries().constFind(symbolName);
    return found == entries().constEnd() ? QString() : QString::fromLatin1(found->themeName);
}

QIcon IconCatalogue::ostrelIcon() {
    return QIcon(QStringLiteral(":/icons/io.github.Ostrel.svg"));
}

QIcon IconCatalogue::statusIcon(bool deviceActive) {
    return QIcon(deviceActive ? QStringLiteral(":/icons/ostrel-icon-active.svg")
                              : QStringLiteral(":/icons/ostrel-icon.svg"));
}

QIcon IconCatalogue::icon(const QString& symbolName) {
    const auto found = entries().constFind(symbolName);
    const QStyle::StandardPixmap fallback =
        found == entries().constEnd() ? QStyle::SP_FileIcon : found->fallback;
    const QIcon standard = QApplication::style()->standardIcon(fallback);
    if (found == entries().constEnd()) {
        return standard;
    }
    // Current icon themes ship many icons only in their "-symbolic" form.
    const QString name = QString::fromLatin1(found->themeName);
    if (QIcon::hasThemeIcon(name)) {
        return QIcon::fromTheme(name);
    }
    return QIcon::fromTheme(name + QStringLiteral("-symbolic"), standard);
}

} // namespace ostrel
