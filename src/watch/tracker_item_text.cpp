#include "watch/tracker_item_text.h"

namespace korvane {

bool StartsWithNoSatelliteMarker(std::string_view itemText)
{
    return itemText.substr(0, kNoSatelliteMarker.size()) == kNoSatelliteMarker;
}

std::string ExtractSatelliteName(std::string_view itemText)
{
    constexpr std::size_t kNameStart = 2;  // position 3, counted from 1
    if (itemText.size() <= kNameStart) {
        return {};
    }
    const std::string_view rest = itemText.substr(kNameStart);
    return std::string(rest.substr(0, rest.find(' ')));
}

}  // namespace korvane
