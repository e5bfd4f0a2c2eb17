#pragma once

#include "watch/sound_port.h"
#include "watch/watch_window.h"

namespace korvane {

// One tick of Timer1: reads the mirrored item text, writes the outcome into the
// status line, and announces a satellite that differs from the previous tick's.
// The timer is stopped for the whole tick, so ticks never overlap and the next one
// comes a full interval after this one (and its announcement) ended.
void Tick(WatchWindow& window, SoundPort& sound);

}  // namespace korvane
