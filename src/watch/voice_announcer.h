#pragma once

#include <string>

#include "watch/sound_port.h"

namespace korvane {

// Speaks the warning for one satellite: bell, "satellite", the name spelled out
// character by character ("-" and "/" are silent), "is rising". Returns once the
// synchronous sounds have ended, while "is rising" still plays.
void AnnounceSatellite(SoundPort& sound, const std::string& name);

}  // namespace korvane
