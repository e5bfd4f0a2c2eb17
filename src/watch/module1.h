#pragma once

#include <string>

namespace korvane::Module1 {

// The satellite name that the previous tick of the pass watcher took from the
// tracker's item text; "" when that tick saw no satellite, or before the first tick.
// Held for the whole run; the start-up step clears it, afterwards only the tick writes it.
extern std::string PreviousSatellite;

}  // namespace korvane::Module1
