#include "windows/wine_quirks.h"

#include <algorithm>

#include "windows/ansi_code_page.h"

namespace korvane::win32 {

std::string WindowTextOf(const std::string& text)
{
    constexpr size_t kWindowTextMaxBytes = 8192;
    if (text.size() <= kWindowTextMaxBytes) {
        return text;
    }
    size_t end = 0;  // the last character boundary within the bound
    for (size_t next = 0; next <= kWindowTextMaxBytes;) {
        end = next;
        next += AnsiCharacterLength(std::string_view(text).substr(next));
    }
    return text.substr(0, end);
}

void LetPaintingReachTheScreen()
{
    // On Windows the repaint is on the screen already, and a look at the queue would run every
    // message sent to the thread meanwhile inside the tick.
    if (!RunningUnderWine()) {
        return;
    }
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
}

int DrawnWidth(HDC dc, std::string_view line, int measured)
{
    if (!RunningUnderWine()) {
        return measured;
    }
    constexpr MAT2 kIdentity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    int drawn = 0;
    for (const char character : line) {
        GLYPHMETRICS glyph{};
        if (GetGlyphOutlineA(dc, static_cast<unsigned char>(character), GGO_BITMAP, &glyph, 0, nullptr, &kIdentity) ==
            GDI_ERROR) {
            return measured;  // a face without outlines is drawn from its bitmaps, as measured
        }
        drawn += glyph.gmCellIncX;
    }
    return std::max(drawn, measured);
}

bool TakesVisualStyles()
{
    return !RunningUnderWine();
}

void MakeUpClientArea(HWND window, SIZE client)
{
    RECT measured{};
    RECT frame{};
    if (!GetClientRect(window, &measured) || !GetWindowRect(window, &frame)) {
        return;
    }
    const LONG widthLacking = client.cx - (measured.right - measured.left);
    const LONG heightLacking = client.cy - (measured.bottom - measured.top);
    if (widthLacking != 0 || heightLacking != 0) {
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + widthLacking,
                     frame.bottom - frame.top + heightLacking, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HMODULE LoadSystemLibrary(const char* name)
{
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::string path = std::string(folder, length) + "\\" + name;
    if (HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return module;
    }
    if (GetLastError() != ERROR_INVALID_PARAMETER) {
        return nullptr;
    }
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace korvane::win32
