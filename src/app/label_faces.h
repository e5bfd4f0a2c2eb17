#pragma once

#include <array>
#include <functional>
#include <string_view>
#include <vector>

#include "app/form1_layout.h"

namespace korvane {

// Form1 draws its labels in two fonts: the bold face of the status row and the window's face.
enum class Form1Font { StatusRow, Window };

Form1Font FontOf(ControlLook look);

// Faces of the same kind, nearest first, for when a label's text does not fit its box in the
// face that was asked for (a platform may draw a face name with a wider face than Windows).
inline constexpr std::array<std::string_view, 8> kNearFaces{
    "Microsoft Sans Serif", "MS Sans Serif",          "Tahoma",
    "Arial",                "Liberation Sans",        "Arial Narrow",
    "Liberation Sans Narrow", "DejaVu Sans Condensed",
};

// A text that a label draws in a font, with the box it must fit into.
struct LabelText {
    std::string_view text;
    TwipsRect box;
};

// Every text drawn in the font: the fixed labels' texts and the status line's fixed texts.
std::vector<LabelText> TextsDrawnIn(Form1Font font);

// The face to use: the one asked for when fits says every text fits in it, else the first of
// kNearFaces that fits, else the one asked for all the same.
std::string_view ChooseFace(std::string_view asked, const std::function<bool(std::string_view face)>& fits);

}  // namespace korvane
