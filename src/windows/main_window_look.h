#pragma once

#include <windows.h>

#include "app/main_window_layout.h"
#include "windows/win32_handles.h"

namespace korvane::win32 {

// The fonts and brushes of the main window, made for one resolution and freed once.
class MainWindowLook {
public:
    MainWindowLook() = default;

    // Creates the fonts and the brush for the given dots per inch. Where a label's text would
    // not fit its box in the face asked for, the font takes the nearest face that fits, or else
    // the nearest smaller size that does. A look moved onto another frees the other's.
    void Create(int dotsPerInch);

    HFONT FontFor(ControlLook look) const;
    // Colours a label's text and background; returns the brush for its background.
    HBRUSH PaintLabel(ControlLook look, HDC dc) const;

private:
    UniqueFont statusFont_;
    UniqueFont windowFont_;
    UniqueBrush statusBrush_;
};

}  // namespace korvane::win32
