#include "ScreenshotFolder.h"

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <cstdio>

namespace ostrel {

ScreenshotFolder::ScreenshotFolder(int argc, char** argv)
    : path_(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(OSTREL_SCREENSHOTS_DIR)) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

bool ScreenshotFolder::create() const {
    if (!QDir().mkpath(path_)) {
        std::fprintf(stderr, "could not create %s\n", qPrintable(path_));
        return false;
    }
    return true;
}

bool ScreenshotFolder::save(QWidget& window, const QString& name) const {
    window.show();
    QApplication::processEvents();
    const QString path = QDir(path_).filePath(name + QStringLiteral(".png"));
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace ostrel
