#pragma once

#include <QString>

class QWidget;

namespace ostrel {

// Where a screenshot program writes its PNG files: the folder named as its first argument,
// else the build's screenshots folder. Made before the QApplication, so that it can choose
// offscreen drawing when no platform was asked for.
class ScreenshotFolder {
public:
    ScreenshotFolder(int argc, char** argv);

    // False (with a message) when the folder cannot be created.
    bool create() const;
    // Shows the window, lets it lay itself out and writes it as <name>.png, printing the path;
    // false (with a message) when the file cannot be written.
    bool save(QWidget& window, const QString& name) const;

private:
    QString path_;
};

} // namespace ostrel
