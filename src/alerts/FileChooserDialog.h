#pragma once

#include "platform/FileChooser.h"

class QWidget;

namespace ostrel {

// The desktop's file dialog, modal, for one existing file. Symbolic links are returned as
// chosen, not resolved: a desktop entry's id comes from where the user found it.
class FileChooserDialog final : public FileChooser {
public:
    explicit FileChooserDialog(QWidget* parent = nullptr) : parent_(parent) {}

    std::optional<QString> chooseFile(const FileChooserRequest& request) override;

private:
    QWidget* parent_;
};

} // namespace ostrel
