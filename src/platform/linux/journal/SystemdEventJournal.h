#pragma once

#include "platform/EventJournal.h"
#include "platform/ProcessServices.h"
#include "platform/RunningApplicationsService.h"

#include <QByteArray>
#include <QList>

namespace ostrel {

// Sends each event to the systemd journal as one structured entry: MESSAGE, PRIORITY,
// SYSLOG_IDENTIFIER=ostrel, a MESSAGE_ID fixed per kind of event, and OSTREL_DEVICE (once per
// device), OSTREL_ACTIVE, OSTREL_PID, OSTREL_EXE, OSTREL_APP_ID and OSTREL_NAME where known.
// A process name with a line break cannot forge fields: such values go out length-prefixed.
// Where no journal runs, libsystemd drops entries quietly; when a journal refuses one, the
// first refusal is logged and later ones are dropped without a word.
class SystemdEventJournal final : public EventJournal {
public:
    SystemdEventJournal(const ProcessServices& processes, RunningApplicationsService& applications);

    void record(const JournalEvent& event) override;

private:
    // "KEY=value" each, in the order they are sent.
    QList<QByteArray> fields(const JournalEvent& event) const;

    const ProcessServices& processes_;
    RunningApplicationsService& applications_;
    bool failureLogged_ = false;
};

} // namespace ostrel
