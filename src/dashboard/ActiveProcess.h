#pragma once

#include "dashboard/IconReference.h"

#include <QString>
#include <QtGlobal>

namespace ostrel {

// One process using a device now, as one dashboard row. A process on both devices has two
// rows with the same pid, one per device.
struct ActiveProcess {
    qint32 pid = 0; // for an unidentified process a random id that names no process
    QString name;
    IconReference icon;
    bool accessingMicrophone = false;
    bool accessingCamera = false;
    QString duration; // "m:ss" since the device became active for it, or a word
    QString statusText;
    // Only a real process that Ostrel identified and may signal offers suspend, resume and
    // quit; synthetic rows, the unidentified row and the session's own servers do not.
    bool canControl = false;

    friend bool operator==(const ActiveProcess&, const ActiveProcess&) = default;
};

} // namespace ostrel
