#pragma once

#include "link/link_window.h"

namespace korvane {

// The main window as Quit sees it: its link to the tracker, and the end of the program.
class AppWindow : public LinkWindow {
public:
    // Closes the window and ends the process at once; no further handler runs.
    virtual void EndProgram() = 0;
};

// Click of "Quit": closes the link, then ends the program without a question.
void Quit(AppWindow& window);

}  // namespace korvane
