#pragma once

#include <windows.h>

#include <optional>
#include <vector>

namespace korvane::e2e {

// How many pixels of a label's text fall below the label's box, judged by what the label of
// another process draws on the screen: the label is moved, twice as high, into an empty strip
// added below its window's client area and drawn there; every pixel of its lower half that is
// not its background is text that its own box cuts off. Window and label are then put back.
// Nothing when the label was not seen drawn in its new place in time.
std::optional<long> PixelsOfTextBelowBox(HWND window, HWND label);

// A label's text as the screen shows it: its background (the box's most frequent colour), every
// pixel that is not the background, and how wide its strokes are: the mean length of the
// horizontal runs of dark text pixels, about twice as long in a bold face as in a regular one.
struct LabelInk {
    COLORREF background = 0;
    std::vector<COLORREF> text;
    double strokeWidth = 0.0;
};
LabelInk InkOf(HWND label);

// How many rows of the label's box, as the screen shows it, hold text: the height of what it
// draws, from its tallest letter down to its lowest.
int RowsOfText(HWND label);

}  // namespace korvane::e2e
