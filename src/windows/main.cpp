#include <windows.h>

#include "windows/main_window.h"
#include "windows/visual_styles.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand)
{
    // Before any window: the buttons are made with the common controls 6 where they are taken.
    const korvane::win32::VisualStyles styles(instance);
    const auto window = korvane::win32::MainWindow::Create(instance, showCommand);
    return window != nullptr ? window->RunMessageLoop() : 1;
}
