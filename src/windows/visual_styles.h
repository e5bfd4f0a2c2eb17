#pragma once

#include <windows.h>

namespace korvane::win32 {

// The common controls 6, with the system's visual styles, for the windows this thread creates
// while it lives: an activation context made from the program's own manifest resource and kept
// active. Where it cannot be made, or where it is not taken (wine_quirks.h), the controls are
// the classic ones.
class VisualStyles {
public:
    explicit VisualStyles(HINSTANCE instance);
    ~VisualStyles();

    VisualStyles(const VisualStyles&) = delete;
    VisualStyles& operator=(const VisualStyles&) = delete;

private:
    HANDLE context_ = INVALID_HANDLE_VALUE;
    ULONG_PTR cookie_ = 0;
};

}  // namespace korvane::win32
