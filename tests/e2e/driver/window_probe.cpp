#include "window_probe.h"

#include <vector>

namespace korvane::e2e {
namespace {

struct OwnedWindows {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM param)
{
    auto* request = reinterpret_cast<OwnedWindows*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId) {
        request->windows.push_back(window);
    }
    return TRUE;
}

// The process's top-level windows, visible or hidden, in the system's Z order.
std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    OwnedWindows request{processId, {}};
    EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(&request));
    return request.windows;
}

}  // namespace

HWND FindTopLevelWindow(DWORD processId, const std::string& caption)
{
    for (HWND window : TopLevelWindowsOf(processId)) {
        if (StoredText(window) == caption) {
            return window;
        }
    }
    return nullptr;
}

std::string DescribeTopLevelWindows(DWORD processId)
{
    std::string described;
    for (HWND window : TopLevelWindowsOf(processId)) {
        described += (described.empty() ? "" : "; ") + ClassNameOf(window) + " \"" + StoredText(window) + "\" " +
                     (IsWindowVisible(window) ? "visible" : "hidden");
    }
    return described.empty() ? "no top-level window" : described;
}

std::optional<std::string> AskText(HWND window, UINT timeoutMs)
{
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &length) == 0) {
        return std::nullopt;
    }
    std::vector<char> buffer(length + 2, '\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                            SMTO_ABORTIFHUNG, timeoutMs, &copied) == 0) {
        return std::nullopt;
    }
    return std::string(buffer.data(), copied);
}

std::string StoredText(HWND window)
{
    char buffer[1024];
    wchar_t wide[512];
    const int wideLength = InternalGetWindowText(window, wide, 512);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, wideLength, buffer, sizeof buffer, nullptr, nullptr);
    return std::string(buffer, static_cast<size_t>(bytes > 0 ? bytes : 0));
}

std::string ClassNameOf(HWND window)
{
    char buffer[256];
    const int length = GetClassNameA(window, buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

RECT RectInParentClient(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE ClientSize(HWND window)
{
    RECT rect{};
    GetClientRect(window, &rect);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

HWND FocusOfThreadOwning(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

}  // namespace korvane::e2e
