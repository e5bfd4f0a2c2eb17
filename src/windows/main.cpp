#include <windows.h>

#include <commctrl.h>  // after windows.h, which it needs

#include "windows/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand)
{
    INITCOMMONCONTROLSEX commonControls{sizeof(commonControls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&commonControls);

    const auto window = korvane::win32::MainWindow::Create(instance, showCommand);
    return window != nullptr ? window->RunMessageLoop() : 1;
}
