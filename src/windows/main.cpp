#include <windows.h>
#include <commctrl.h>

#include "windows/form1_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand)
{
    INITCOMMONCONTROLSEX commonControls{sizeof(commonControls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&commonControls);

    const std::unique_ptr<korvane::win32::Form1> form = korvane::win32::Form1::Create(instance, showCommand);
    return form != nullptr ? form->RunMessageLoop() : 1;
}
