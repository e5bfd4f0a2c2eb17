#include "app/quit.h"

namespace korvane {

void Quit(AppWindow& window)
{
    window.CloseLink();
    window.EndProgram();
}

}  // namespace korvane
