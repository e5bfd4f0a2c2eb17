#pragma once

#include <windows.h>

#include <optional>

namespace korvane::e2e {

// How many pixels of a label's text fall below the label's box, judged by what the label of
// another process draws on the screen: the label is moved, twice as high, into an empty strip
// added below its window's client area and drawn there; every pixel of its lower half that is
// not its background is text that its own box cuts off. Window and label are then put back.
// Nothing when the label was not seen drawn in its new place in time.
std::optional<long> PixelsOfTextBelowBox(HWND window, HWND label);

// How many rows of the label's box, as the screen shows it, hold text: the height of what it
// draws, from its tallest letter down to its lowest.
int RowsOfText(HWND label);

}  // namespace korvane::e2e
