#include "alerts/FileChooserDialog.h"

#include <QFileDialog>

namespace ostrel {

std::optional<QString> FileChooserDialog::chooseFile(const FileChooserRequest& request) {
    QFileDialog dialog(parent_, request.title, request.startFolder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    if (!request.nameFilters.isEmpty()) {
        dialog.setNameFilters(request.nameFilters);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace ostrel
