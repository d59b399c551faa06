#include "platform/linux/session/XdgAutostartEntry.h"

#include "base/Log.h"
#include "base/ProductIdentity.h"
#include "platform/linux/applications/KeyFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace ostrel {

namespace {

const QString kDesktopEntryGroup = QStringLiteral("Desktop Entry");

// One argument of an Exec= line: quoted when it holds a character the desktop's command
// parser reserves, with '%' doubled so it is never read as a field code.
QString execArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString text = argument;
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    const bool needsQuotes = text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) {
                                 return reserved.contains(c);
                             });
    if (!needsQuotes) {
        return text;
    }
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// The key-file escapes every string value goes through.
QString escapedValue(const QString& value) {
    QString text = value;
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    text.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return text;
}

} // namespace

XdgAutostartEntry::XdgAutostartEntry(QString autostartFolder, QString executablePath)
    : folder_(std::move(autostartFolder)), executablePath_(std::move(executablePath)) {}

QString XdgAutostartEntry::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString XdgAutostartEntry::entryPath() const {
    return folder_ + QLatin1Char('/') + kBundleIdentifier + QStringLiteral(".desktop");
}

QByteArray XdgAutostartEntry::entryText(const QString& executablePath) {
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Ostrel\n"
                                        "Comment=See which program uses your camera or microphone\n"
                                        "Exec=%1\n"
                                        "Icon=%2\n"
                                        "Terminal=false\n"
                                        "StartupNotify=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(escapedValue(execArgument(executablePath)), kBundleIdentifier);
    return text.toUtf8();
}

bool XdgAutostartEntry::isEnabled() {
    QFile file(entryPath());
    if (!file.exists()) {
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        // The session may still read it; showing it as off would hide a real entry.
        logLine(QStringLiteral("⚠️ [Settings] Could not read the autostart entry %1: %2")
                    .arg(file.fileName(), file.errorString()));
        return true;
    }
    // An entry the user switched off in the desktop's own startup settings stays in place.
    const KeyFile entry = KeyFile::parse(file.readAll());
    if (entry.booleanValue(kDesktopEntryGroup, QStringLiteral("Hidden"))) {
        return false;
    }
    const std::optional<QString> gnomeEnabled =
        entry.value(kDesktopEntryGroup, QStringLiteral("X-GNOME-Autostart-enabled"));
    return !gnomeEnabled || *gnomeEnabled != QStringLiteral("false");
}

bool XdgAutostartEntry::setEnabled(bool enabled) {
    const QString path = entryPath();
    if (!enabled) {
        QFile file(path);
        if (!file.exists() || file.remove()) {
            return true;
        }
        logLine(QStringLiteral("⚠️ [Settings] Could not remove the autostart entry %1: %2")
                    .arg(path, file.errorString()));
        return false;
    }
    if (!QDir().mkpath(folder_)) {
        logLine(QStringLiteral("⚠️ [Settings] Could not create the autostart folder ") +
                folder_);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText(executablePath_)) < 0 ||
        !file.commit()) {
        logLine(QStringLiteral("⚠️ [Settings] Could not write the autostart entry %1: %2")
                    .arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace ostrel
