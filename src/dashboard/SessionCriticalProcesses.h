#pragma once

#include <QString>

namespace ostrel {

// The processes the whole desktop session stands on: the sound server, the display server,
// the compositor and the user's service manager. Stopping one freezes the session (a camera
// shared through PipeWire is held by the sound server itself), so none is ever signalled.
bool isSessionCriticalProcessName(const QString& name);

} // namespace ostrel
