#pragma once

#include "platform/EventJournal.h"

#include <vector>

namespace ostrel {

// Keeps every event instead of writing it to the system's journal.
class FakeEventJournal final : public EventJournal {
public:
    void record(const JournalEvent& event) override { events.push_back(event); }

    std::vector<JournalEvent> events;
};

} // namespace ostrel
