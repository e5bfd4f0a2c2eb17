#include "app/form1_handlers.h"

#include "link/tracker_link.h"
#include "watch/module1.h"

namespace korvane {

void OnLoad()
{
    Module1::PreviousSatellite.clear();
}

void Quit(AppWindow& window)
{
    CloseLink(window);
    window.EndProgram();
}

}  // namespace korvane
