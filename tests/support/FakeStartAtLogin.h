#pragma once

#include "platform/StartAtLogin.h"

namespace ostrel {

class FakeStartAtLogin final : public StartAtLogin {
public:
    bool isEnabled() override { return enabled; }
    bool setEnabled(bool on) override {
        ++changes;
        if (failWrites) {
            return false;
        }
        enabled = on;
        return true;
    }

    bool enabled = false;
    bool failWrites = false;
    int changes = 0;
};

} // namespace ostrel
