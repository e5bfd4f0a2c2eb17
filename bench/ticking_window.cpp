// A bare Win32 window doing the visible work of an idle, linked korvane.exe: one bold label on
// light green whose text is rewritten and repainted at once every second, on a one-second
// timer started afresh after each tick's work. korvane.exe's idle CPU is measured beside it.
#include <windows.h>

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 1000;
constexpr int kLabelId = 100;
constexpr COLORREF kLabelBackground = RGB(192, 255, 192);
constexpr char kLabelText[] = "Satellite AO-7 is currently visible";

HBRUSH labelBrush = nullptr;

void Tick(HWND window)
{
    KillTimer(window, kTickTimer);
    HWND label = GetDlgItem(window, kLabelId);
    SetWindowTextA(label, kLabelText);
    RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    MSG message;  // Wine shows what was painted once the thread looks at its queue
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
    SetTimer(window, kTickTimer, kTickMs, nullptr);  // a full new interval after the work
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        case WM_TIMER:
            if (wParam == kTickTimer) {
                Tick(window);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), kLabelBackground);
            return reinterpret_cast<LRESULT>(labelBrush);
        case WM_DESTROY:
            KillTimer(window, kTickTimer);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    labelBrush = CreateSolidBrush(kLabelBackground);
    HFONT bold = CreateFontA(-11, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_ACTIVEBORDER);
    windowClass.lpszClassName = "KorvaneBenchTickingWindow";
    if (labelBrush == nullptr || bold == nullptr || RegisterClassA(&windowClass) == 0) {
        return 1;
    }
    HWND window = CreateWindowA(windowClass.lpszClassName, "Korvane bench ticking window", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 628, 252, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    HWND label = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 64, 8, 537, 17, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)), instance, nullptr);
    if (label == nullptr) {
        return 1;
    }
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetTimer(window, kTickTimer, kTickMs, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DeleteObject(bold);
    DeleteObject(labelBrush);
    return static_cast<int>(message.wParam);
}
