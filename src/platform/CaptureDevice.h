#pragma once

#include <QString>

namespace ostrel {

// A camera or microphone the system offers for capture.
struct CaptureDevice {
    QString localizedName;
    QString uniqueID;
    bool isInUseByAnotherApplication = false;
    bool isConnected = true;

    bool operator==(const CaptureDevice&) const = default;
};

// Whether Ostrel may observe a kind of capture device; the raw values are printed.
enum class AuthorizationStatus {
    NotDetermined = 0,
    Restricted = 1,
    Denied = 2,
    Authorized = 3,
};

} // namespace ostrel
