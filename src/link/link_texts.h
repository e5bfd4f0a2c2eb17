#pragma once

#include <string_view>

namespace korvane {

// Where the tracker's item is found: SatPC32's DDE service, topic and item.
inline constexpr std::string_view kTrackerService = "SatPC32";
inline constexpr std::string_view kTrackerTopic = "SatPcDdeConv";
inline constexpr std::string_view kTrackerItem = "SatPcDdeItem";

// Status texts written by the tracker link.
inline constexpr std::string_view kConnectedText = "Connected to SatPC32";
inline constexpr std::string_view kDisconnectedText = "Disconnected from SatPC32";
inline constexpr std::string_view kOpenFailedText = "Link could not be opened. Start SatPC32 and then try it again.";

}  // namespace korvane
