#pragma once

#include <string>
#include <string_view>

namespace korvane {

inline constexpr std::string_view kNoneVisibleText =
    "None of the priority satellites is currently visible. Waiting for the next one...";

inline std::string SatelliteVisibleText(const std::string& name)
{
    return "Satellite " + name + " is currently visible";
}

}  // namespace korvane
