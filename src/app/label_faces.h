#pragma once

#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "app/main_window_layout.h"

namespace korvane {

// The main window draws its labels in two fonts: the bold face of the status row and the
// window's face.
enum class LabelFont { StatusRow, Window };

LabelFont FontOf(ControlLook look);

// A text that a label draws in a font, with the box it must fit into.
struct LabelText {
    std::string_view text;
    TwipsRect box;
};

// Every text drawn in the font: the fixed labels' texts and the status line's fixed texts.
std::vector<LabelText> TextsDrawnIn(LabelFont font);

// The lines a label shows its text in at a width in pixels, as its word break makes them: each
// line takes as many of the following words (runs of non-spaces) as fit by widthOf, a word wider
// than the line standing alone; the spaces at a break belong to neither line.
std::vector<std::string_view> LinesOf(std::string_view text, int width,
                                      const std::function<int(std::string_view)>& widthOf);

// A face, and its height in pixels.
struct FaceChoice {
    std::string_view face;
    int pixels;
};

// The face to draw at the height of pixels: the one asked for when fits says every text fits in
// it, else the first of the near faces (nearest first) that fits. Where none fits at that height,
// the same at each smaller height, down to two thirds of it, rather than cut texts off; where
// nothing fits at all, the face asked for at its height.
FaceChoice ChooseFace(std::string_view asked, std::span<const std::string_view> nearFaces, int pixels,
                      const std::function<bool(std::string_view face, int pixels)>& fits);

}  // namespace korvane
