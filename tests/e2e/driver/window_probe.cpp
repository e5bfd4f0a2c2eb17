#include "window_probe.h"

#include <vector>

namespace korvane::e2e {
namespace {

struct FindRequest {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK CheckTopLevel(HWND window, LPARAM param)
{
    auto* request = reinterpret_cast<FindRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId && StoredText(window) == *request->caption) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}

struct DescribeRequest {
    DWORD processId;
    std::string described;
};

BOOL CALLBACK DescribeTopLevel(HWND window, LPARAM param)
{
    auto* request = reinterpret_cast<DescribeRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId) {
        request->described += (request->described.empty() ? "" : "; ") + ClassNameOf(window) + " \"" +
                              StoredText(window) + "\" " + (IsWindowVisible(window) ? "visible" : "hidden");
    }
    return TRUE;
}

}  // namespace

std::string DescribeTopLevelWindows(DWORD processId)
{
    DescribeRequest request{processId, {}};
    EnumWindows(DescribeTopLevel, reinterpret_cast<LPARAM>(&request));
    return request.described.empty() ? "no top-level window" : request.described;
}

HWND FindTopLevelWindow(DWORD processId, const std::string& caption)
{
    FindRequest request{processId, &caption, nullptr};
    EnumWindows(CheckTopLevel, reinterpret_cast<LPARAM>(&request));
    return request.found;
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
