#pragma once

#include "platform/UsbDeviceRegistry.h"

namespace ostrel {

class FakeUsbDeviceRegistry final : public UsbDeviceRegistry {
public:
    OpenResult open() override {
        open_ = openResult == OpenResult::Opened;
        return openResult;
    }
    bool isOpen() const override { return open_; }
    MatchResult matchDevices(DevicesAppeared onAppeared, std::vector<UsbDevice>& present) override {
        if (matchResult.matchingCreated && matchResult.status == 0) {
            appeared = std::move(onAppeared);
            present = presentDevices;
        }
        return matchResult;
    }
    void close() override {
        open_ = false;
        appeared = nullptr;
    }

    OpenResult openResult = OpenResult::Opened;
    MatchResult matchResult;
    std::vector<UsbDevice> presentDevices;
    DevicesAppeared appeared;

private:
    bool open_ = false;
};

} // namespace ostrel
