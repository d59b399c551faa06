#pragma once

#include "platform/FileChooser.h"

#include <vector>

namespace ostrel {

// Answers every request with the file the test chose (nothing: the user cancelled).
class FakeFileChooser final : public FileChooser {
public:
    std::optional<QString> chooseFile(const FileChooserRequest& request) override {
        requests.push_back(request);
        return choice;
    }

    std::optional<QString> choice;
    std::vector<FileChooserRequest> requests;
};

} // namespace ostrel
