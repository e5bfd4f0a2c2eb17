#pragma once

#include <string>
#include <string_view>

namespace korvane {

// SatPC32's marker for "no priority satellite above the horizon".
inline constexpr std::string_view kNoSatelliteMarker = "** NO SATELLITE **";

// True when the text starts with the marker (case-sensitive); what follows it is ignored.
bool StartsWithNoSatelliteMarker(std::string_view itemText);

// The reported satellite's name: the characters from position 3 (the first two are
// skipped, whatever they are) up to the first space or the end of the text.
// Empty for a text of fewer than three characters or with a space at position 3.
std::string ExtractSatelliteName(std::string_view itemText);

}  // namespace korvane
