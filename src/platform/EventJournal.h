#pragma once

#include <QString>
#include <QtGlobal>

namespace ostrel {

// One thing worth a line in the system's event journal, where administrators and scripts
// look for it beside every other service's entries.
struct JournalEvent {
    enum class Kind {
        DeviceAccessChanged, // an accepted change of the camera or microphone
        HighRiskProcess,     // a launched application judged not legitimate
        DirectDeviceAccess,  // a suspicious process that holds, or likely holds, a device
    };

    Kind kind = Kind::DeviceAccessChanged;
    bool camera = false;
    bool microphone = false;
    bool active = false; // device changes only: the device went on
    qint64 pid = -1;     // -1: no process was identified
    QString name;        // empty: the journal asks the process for its own
};

// Writes events to the system's journal as structured entries, adding what the machine
// knows about the process (its executable, the application it belongs to). Without a
// journal the events are dropped; the caller never sees a failure.
class EventJournal {
public:
    virtual ~EventJournal() = default;

    virtual void record(const JournalEvent& event) = 0;
};

} // namespace ostrel
