#pragma once

#include "platform/DesktopSettings.h"

#include <vector>

namespace ostrel {

class FakeDesktopSettings final : public DesktopSettings {
public:
    bool open(Pane pane) override {
        opened.push_back(pane);
        return true;
    }
    std::vector<Pane> opened;
};

} // namespace ostrel
