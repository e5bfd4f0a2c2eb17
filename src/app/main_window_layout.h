#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace korvane {

// The window's geometry is kept in twips, the screen's unit that does not depend on its
// resolution: 1/1440 inch, 15 twips a pixel at 96 dots per inch. TwipsToPixels converts it.
struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

enum class ControlKind { Label, PushButton };

// How a control looks: which background, text colour and font it is drawn with.
enum class ControlLook {
    StatusHeading,  // "Status:": blue bold text on light green
    StatusLine,     // the status line: default text colour, bold, on light green
    Instruction,    // window background and font
    Mirror,         // hidden; never drawn
    Button,         // the platform's button, in the window's font
};

// The control identifiers; the buttons' identifiers are also their command codes.
enum ControlId : int {
    kMirror = 101,        // hidden: the tracker's latest item text
    kStatusHeading,       // "Status:"
    kStatusLine,          // what the link and the watcher last reported
    kSetupIntro,          // how SatPC32 must be set up: the heading ...
    kSetupPriorityList,   // ... the priority satellites
    kSetupDivOptions,     // ... the DIVOPTIONS.SQF line
    kWaitingNote,         // what happens once linked
    kSetupAutoSatChange,  // ... automatic satellite change
    kLinkButton = 201,    // "Link to SatPC32"
    kQuitButton,          // "Quit"
};

struct ControlLayout {
    ControlId id;
    ControlKind kind;
    ControlLook look;
    TwipsRect box;
    std::string_view text;
    bool visible;
};

inline constexpr std::string_view kMainWindowCaption = "Korvane 1.0 for SatPC32, by Quillom";
inline constexpr int kClientWidthTwips = 9210;
inline constexpr int kClientHeightTwips = 3285;
inline constexpr int kWatchIntervalMs = 1000;

inline constexpr Rgb kStatusBackground{192, 255, 192};
inline constexpr Rgb kStatusHeadingText{0, 0, 255};

// Every control, in creation order. The buttons come last and in focus order:
// "Link to SatPC32", then "Quit". The mirror is never shown. A row per control:
// clang-format off
inline constexpr std::array<ControlLayout, 10> kMainWindowControls{{
    {kMirror, ControlKind::Label, ControlLook::Mirror, {0, 0, 0, 0}, "", false},
    {kStatusHeading, ControlKind::Label, ControlLook::StatusHeading, {240, 120, 735, 255}, "Status:", true},
    {kStatusLine, ControlKind::Label, ControlLook::StatusLine, {960, 120, 8055, 255},
     "Disconnected from SatPC32", true},
    {kSetupIntro, ControlKind::Label, ControlLook::Instruction, {360, 720, 7215, 255},
     "In order to work with this program SatPC32 must be running and configured in the following way:", true},
    {kSetupPriorityList, ControlKind::Label, ControlLook::Instruction, {600, 1080, 8175, 255},
     "- Satellites to track must be configured as priority satellites in the PRIOR.SQF file", true},
    {kSetupDivOptions, ControlKind::Label, ControlLook::Instruction, {600, 1320, 8175, 255},
     "- Line #2 of the DIVOPTIONS.SQF file must be set to - (minus sign)", true},
    {kSetupAutoSatChange, ControlKind::Label, ControlLook::Instruction, {600, 1560, 8175, 255},
     "- Automatic sat change must be enabled (A+)", true},
    {kWaitingNote, ControlKind::Label, ControlLook::Instruction, {240, 2040, 8655, 495},
     "After the connection with SatPC32 has been established, this program will wait for the priority "
     "satellites and give a voice warning every time one of them rises above the horizon.", true},
    {kLinkButton, ControlKind::PushButton, ControlLook::Button, {240, 2760, 1455, 375}, "Link to SatPC32", true},
    {kQuitButton, ControlKind::PushButton, ControlLook::Button, {1800, 2760, 1455, 375}, "Quit", true},
}};
// clang-format on

// Twips to pixels at the given dots per inch, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dotsPerInch)
{
    constexpr int kTwipsPerInch = 1440;
    const long long scaled = static_cast<long long>(twips) * dotsPerInch;
    return static_cast<int>((scaled + kTwipsPerInch / 2) / kTwipsPerInch);
}

// A font's height in pixels at the given dots per inch, rounded to the nearest pixel.
constexpr int PointsToPixels(double points, int dotsPerInch)
{
    constexpr double kPointsPerInch = 72.0;
    return static_cast<int>(points * dotsPerInch / kPointsPerInch + 0.5);
}

}  // namespace korvane
