#pragma once

namespace ostrel {

// Opens the desktop's own settings where the user grants or withdraws what Ostrel watches.
class DesktopSettings {
public:
    enum class Pane { Privacy, Camera, Microphone, Notifications };

    virtual ~DesktopSettings() = default;

    // False when this desktop has no such settings Ostrel knows how to open.
    virtual bool open(Pane pane) = 0;
};

} // namespace ostrel
