#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ostrel {

// What a file chooser asks for: one existing file, never a folder.
struct FileChooserRequest {
    QString title;
    QString startFolder;
    // Name filters as the desktop's file dialogs write them: "Applications (*.desktop)".
    QStringList nameFilters;
};

// Lets the user pick one file. Windows ask through this interface so their tests never block
// on a modal dialog; production shows the desktop's file dialog.
class FileChooser {
public:
    virtual ~FileChooser() = default;

    // The chosen file, or nothing when the user cancelled.
    virtual std::optional<QString> chooseFile(const FileChooserRequest& request) = 0;
};

} // namespace ostrel
