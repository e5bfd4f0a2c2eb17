#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace korvane {

// Window geometry is given in twips: 1/1440 inch, 15 twips a pixel at 96 dots per inch.
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
    kLabel1 = 101,
    kLabel2,
    kLabel3,
    kLabel4,
    kLabel5,
    kLabel6,
    kLabel7,
    kLabel8,
    kCmdOpen = 201,
    kCmdEnd,
};

struct ControlLayout {
    std::string_view name;
    ControlId id;
    ControlKind kind;
    ControlLook look;
    TwipsRect box;
    std::string_view text;
    bool visible;
};

inline constexpr std::string_view kForm1Caption = "Korvane 1.0 for SatPC32, by Quillom";
inline constexpr int kForm1ClientWidthTwips = 9210;
inline constexpr int kForm1ClientHeightTwips = 3285;
inline constexpr int kTimer1IntervalMs = 1000;

inline constexpr Rgb kStatusBackground{192, 255, 192};
inline constexpr Rgb kStatusHeadingText{0, 0, 255};

struct FontSpec {
    std::string_view face;
    double points;
    int weight;
    int charSet;
};
// The bold face of the status row.
inline constexpr FontSpec kStatusFont{"MS Sans Serif", 8.25, 700, 0};
// The window's face, regular: "MS Shell Dlg" is the name every Windows maps to its default
// dialog face (any character set).
inline constexpr FontSpec kWindowFont{"MS Shell Dlg", 8.0, 400, 1};

// Every control, in creation order. The buttons come last and in focus order:
// "Link to SatPC32", then "Quit". Label1, the mirror, is never shown.
inline constexpr std::array<ControlLayout, 10> kForm1Controls{{
    {"Label1", kLabel1, ControlKind::Label, ControlLook::Mirror, {0, 0, 0, 0}, "", false},
    {"Label2", kLabel2, ControlKind::Label, ControlLook::StatusHeading, {240, 120, 735, 255}, "Status:", true},
    {"Label3", kLabel3, ControlKind::Label, ControlLook::StatusLine, {960, 120, 8055, 255},
     "Disconnected from SatPC32", true},
    {"Label4", kLabel4, ControlKind::Label, ControlLook::Instruction, {360, 720, 7215, 255},
     "In order to work with this program SatPC32 must be running and configured in the following way:", true},
    {"Label5", kLabel5, ControlKind::Label, ControlLook::Instruction, {600, 1080, 8175, 255},
     "- Satellites to track must be configured as priority satellites in the PRIOR.SQF file", true},
    {"Label6", kLabel6, ControlKind::Label, ControlLook::Instruction, {600, 1320, 8175, 255},
     "- Line #2 of the DIVOPTIONS.SQF file must be set to - (minus sign)", true},
    {"Label8", kLabel8, ControlKind::Label, ControlLook::Instruction, {600, 1560, 8175, 255},
     "- Automatic sat change must be enabled (A+)", true},
    {"Label7", kLabel7, ControlKind::Label, ControlLook::Instruction, {240, 2040, 8655, 495},
     "After the connection with SatPC32 has been established, this program will wait for the priority "
     "satellites and give a voice warning every time one of them rises above the horizon.",
     true},
    {"cmdOpen", kCmdOpen, ControlKind::PushButton, ControlLook::Button, {240, 2760, 1455, 375}, "Link to SatPC32",
     true},
    {"cmdEnd", kCmdEnd, ControlKind::PushButton, ControlLook::Button, {1800, 2760, 1455, 375}, "Quit", true},
}};

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
