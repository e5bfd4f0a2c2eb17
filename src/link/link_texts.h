#pragma once

#include <string_view>

namespace korvane {

// The fixed link settings of Label1.
inline constexpr std::string_view kLinkTopic = "SatPC32|SatPcDdeConv";
inline constexpr std::string_view kLinkItem = "SatPcDdeItem";

// Status texts written by the tracker link.
inline constexpr std::string_view kConnectedText = "Connected to SatPC32";
inline constexpr std::string_view kDisconnectedText = "Disconnected from SatPC32";
inline constexpr std::string_view kOpenFailedText =
    "Link could not be opened. Start SatPC32 and then try it again.";

}  // namespace korvane
