#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

namespace ostrel {

struct UsbDevice {
    QString className; // empty when unknown
    quint16 vendorId = 0;
    quint16 productId = 0;
};

// The machine's USB devices: those present, and a callback on the main thread for every
// device that appears while the registry is open.
class UsbDeviceRegistry {
public:
    enum class OpenResult { Opened, NoNotificationPort, NoMainLoopSource };
    struct MatchResult {
        bool matchingCreated = true;
        qint32 status = 0; // 0: matching registered
    };
    using DevicesAppeared = std::function<void(const std::vector<UsbDevice>&)>;

    virtual ~UsbDeviceRegistry() = default;

    virtual OpenResult open() = 0;
    virtual bool isOpen() const = 0;
    // Registers for appearing devices; on success `present` receives the devices already
    // there.
    virtual MatchResult matchDevices(DevicesAppeared onAppeared,
                                     std::vector<UsbDevice>& present) = 0;
    // Ends the notifications; the registry may be opened again.
    virtual void close() = 0;
};

} // namespace ostrel
