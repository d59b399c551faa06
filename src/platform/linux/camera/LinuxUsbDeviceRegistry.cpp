#include "platform/linux/camera/LinuxUsbDeviceRegistry.h"

#include "base/Log.h"

#include <cerrno>
#include <libudev.h>

namespace ostrel {

namespace {

quint16 hexAttribute(udev_device* device, const char* name) {
    const char* text = udev_device_get_sysattr_value(device, name);
    if (!text) {
        return 0;
    }
    bool ok = false;
    const uint value = QString::fromLatin1(text).trimmed().toUInt(&ok, 16);
    return ok && value <= 0xffff ? static_cast<quint16>(value) : 0;
}

} // namespace

QString usbClassName(const QString& interfaces) {
    bool video = false;
    bool audio = false;
    for (const QString& entry : interfaces.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString interfaceClass = entry.left(2).toLower();
        video = video || interfaceClass == QStringLiteral("0e");
        audio = audio || interfaceClass == QStringLiteral("01");
    }
    QString name = QStringLiteral("USB");
    if (video) {
        name += QStringLiteral(" Video");
    }
    if (audio) {
        name += QStringLiteral(" Audio");
    }
    return name + QStringLiteral(" Device");
}

LinuxUsbDeviceRegistry::LinuxUsbDeviceRegistry() = default;

LinuxUsbDeviceRegistry::~LinuxUsbDeviceRegistry() {
    close();
}

UsbDeviceRegistry::OpenResult LinuxUsbDeviceRegistry::open() {
    close();
    udev_ = udev_new();
    if (udev_) {
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    }
    if (!monitor_) {
        close();
        return OpenResult::NoNotificationPort;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        close();
        return OpenResult::NoMainLoopSource;
    }
    notifier_ =
        std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readMonitor(); });
    return OpenResult::Opened;
}

bool LinuxUsbDeviceRegistry::isOpen() const {
    return monitor_ != nullptr;
}

UsbDeviceRegistry::MatchResult
LinuxUsbDeviceRegistry::matchDevices(DevicesAppeared onAppeared, std::vector<UsbDevice>& present) {
    udev_enumerate* enumerate = udev_ ? udev_enumerate_new(udev_) : nullptr;
    if (!enumerate) {
        return {false, 0};
    }
    int status = udev_enumerate_add_match_subsystem(enumerate, "usb");
    if (status >= 0) {
        status = udev_enumerate_add_match_property(enumerate, "DEVTYPE", "usb_device");
    }
    if (status >= 0) {
        status = udev_enumerate_scan_devices(enumerate);
    }
    if (status < 0) {
        udev_enumerate_unref(enumerate);
        return {true, status};
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
        if (udev_device* device =
                udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry))) {
            present.push_back(describe(device));
            udev_device_unref(device);
        }
    }
    udev_enumerate_unref(enumerate);
    onAppeared_ = std::move(onAppeared);
    return {true, 0};
}

void LinuxUsbDeviceRegistry::readMonitor() {
    // Drain everything queued, so a burst of hot-plug events does not wake us once per event.
    while (udev_device* device = monitor_ ? udev_monitor_receive_device(monitor_) : nullptr) {
        const char* action = udev_device_get_action(device);
        if (action && qstrcmp(action, "add") == 0 && onAppeared_) {
            onAppeared_({describe(device)});
        }
        udev_device_unref(device);
    }
}

UsbDevice LinuxUsbDeviceRegistry::describe(udev_device* device) {
    const char* interfaces = udev_device_get_property_value(device, "ID_USB_INTERFACES");
    return {usbClassName(QString::fromLatin1(interfaces ? interfaces : "")),
            hexAttribute(device, "idVendor"), hexAttribute(device, "idProduct")};
}

void LinuxUsbDeviceRegistry::close() {
    notifier_.reset();
    onAppeared_ = nullptr;
    if (monitor_) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    if (udev_) {
        udev_unref(udev_);
        udev_ = nullptr;
    }
}

} // namespace ostrel
