#pragma once

#include "link/link_window.h"

namespace korvane {

// The main window as start-up and Quit see it: the link bound to Label1, and the end
// of the program.
class AppWindow : public LinkWindow {
public:
    // Closes the window and ends the process at once; no further handler runs.
    virtual void EndProgram() = 0;
};

// The window is loaded, before it is first shown: forget any previous satellite.
// Opens no link, writes no status and leaves the timer alone.
void OnLoad();

// Click of "Quit": closes the link, then ends the program without a question.
void Quit(AppWindow& window);

}  // namespace korvane
