#pragma once

#include <string>

#include "watch/characters.h"
#include "watch/sound_port.h"
#include "watch/watch_window.h"

namespace korvane {

// Watches the mirrored item text for a satellite that rises, once a tick of the watch timer.
class PassWatcher {
public:
    // length cuts the item text into characters as the system's ANSI code page does.
    explicit PassWatcher(CharacterLength length = SingleByteCharacterLength) : characterLength_(length) {}

    // Reads the mirror, writes the outcome into the status line, and announces a satellite that
    // differs from the previous tick's. The timer is stopped for the whole tick, so ticks never
    // overlap and the next one comes a full interval after this one (and its announcement) ended.
    void Tick(WatchWindow& window, SoundPort& sound);

private:
    void WatchItemText(WatchWindow& window, SoundPort& sound, const std::string& itemText);

    CharacterLength characterLength_;
    // The satellite the previous tick saw; "" when it saw none, and before the first tick.
    std::string previousSatellite_;
};

}  // namespace korvane
