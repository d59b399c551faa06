#pragma once

#include <QString>

namespace ostrel {

// The desktop's file manager, asked to show a file the user wants to find (an export, the log
// file). Showing never blocks the caller.
class FileBrowser {
public:
    virtual ~FileBrowser() = default;

    // Shows the file selected inside a window of its folder; where the file manager cannot do
    // that, opens the folder.
    virtual void revealFile(const QString& path) = 0;
};

} // namespace ostrel
