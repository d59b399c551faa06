#pragma once

#include "platform/UsbDeviceRegistry.h"

#include <QSocketNotifier>
#include <memory>

struct udev;
struct udev_device;
struct udev_monitor;

namespace ostrel {

// "USB Video Audio Device" and the like, from udev's ID_USB_INTERFACES list
// (":0e0100:010100:"): every name contains "USB", and "Video" / "Audio" when an interface of
// that class is there.
QString usbClassName(const QString& interfaces);

// USB devices from udev: those present, and those that appear while it is open (a udev
// monitor on the "usb" subsystem, read on the main thread).
class LinuxUsbDeviceRegistry final : public UsbDeviceRegistry {
public:
    LinuxUsbDeviceRegistry();
    ~LinuxUsbDeviceRegistry() override;

    OpenResult open() override;
    bool isOpen() const override;
    MatchResult matchDevices(DevicesAppeared onAppeared, std::vector<UsbDevice>& present) override;
    void close() override;

private:
    void readMonitor();
    static UsbDevice describe(udev_device* device);

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    DevicesAppeared onAppeared_;
};

} // namespace ostrel
