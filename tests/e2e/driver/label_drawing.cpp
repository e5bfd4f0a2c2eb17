#include "label_drawing.h"

#include <algorithm>
#include <map>
#include <vector>

#include "wait_until.h"
#include "window_probe.h"
#include "windows/win32_handles.h"

namespace korvane::e2e {
namespace {

// The screen's pixels in a rectangle given in screen coordinates, row by row.
std::vector<COLORREF> ScreenPixels(const RECT& area)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    BITMAPINFO info = win32::TopDownRgbBitmap(width, height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ earlier = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, earlier);
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    // A 32-bit DIB holds blue, green, red in that order: 0x00RRGGBB, where a COLORREF is 0x00BBGGRR.
    for (COLORREF& pixel : pixels) {
        pixel = RGB(GetBValue(pixel), GetGValue(pixel), GetRValue(pixel));
    }
    return pixels;
}

COLORREF MostFrequent(const std::vector<COLORREF>& pixels)
{
    std::map<COLORREF, size_t> counts;
    for (const COLORREF pixel : pixels) {
        ++counts[pixel];
    }
    COLORREF most = 0;
    size_t mostCount = 0;
    for (const auto& [pixel, count] : counts) {
        if (count > mostCount) {
            most = pixel;
            mostCount = count;
        }
    }
    return most;
}

RECT ScreenRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// Places a window of another program; true when it is where it was asked to be.
bool MoveAndSize(HWND window, const RECT& wanted)
{
    SetWindowPos(window, nullptr, wanted.left, wanted.top, wanted.right - wanted.left, wanted.bottom - wanted.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT got = RectInParentClient(window);
    return EqualRect(&got, &wanted) != 0;
}

}  // namespace

std::optional<long> PixelsOfTextBelowBox(HWND window, HWND label)
{
    const RECT frame = ScreenRect(window);
    const RECT box = RectInParentClient(label);
    const std::vector<COLORREF> asShown = ScreenPixels(ScreenRect(label));
    const LONG height = box.bottom - box.top;

    // A strip below everything in the client area, as wide as the window and two boxes high.
    const SIZE client = ClientSize(window);
    RECT grown = frame;
    grown.bottom += 2 * height;
    const RECT moved{box.left, client.cy, box.right, client.cy + 2 * height};
    const bool placed = MoveAndSize(window, grown) && MoveAndSize(label, moved);
    InvalidateRect(label, nullptr, TRUE);

    // Drawn there once its upper half shows text and the whole has stayed the same for a while
    // (the newly uncovered strip may reach the screen later). The upper half need not match
    // the box as shown: a neighbour may overlap the box by a pixel.
    const COLORREF background = MostFrequent(asShown);
    const auto isText = [background](COLORREF pixel) { return pixel != background; };
    const size_t upperHalf = asShown.size();
    std::vector<COLORREF> drawn;
    std::vector<COLORREF> earlier;
    int unchanged = 0;
    const bool seen =
        placed &&
        WaitUntil(
            [&] {
                drawn = ScreenPixels(ScreenRect(label));
                unchanged = drawn == earlier ? unchanged + 1 : 0;
                earlier = drawn;
                return unchanged >= 3 && drawn.size() == 2 * upperHalf &&
                       std::any_of(drawn.begin(), drawn.begin() + static_cast<std::ptrdiff_t>(upperHalf), isText);
            },
            milliseconds(5000), milliseconds(100));

    MoveAndSize(label, box);
    MoveAndSize(window, frame);
    if (!seen) {
        return std::nullopt;
    }
    return static_cast<long>(
        std::count_if(drawn.begin() + static_cast<std::ptrdiff_t>(upperHalf), drawn.end(), isText));
}

int RowsOfText(HWND label)
{
    const RECT box = ScreenRect(label);
    const std::vector<COLORREF> pixels = ScreenPixels(box);
    const COLORREF background = MostFrequent(pixels);
    const auto width = static_cast<size_t>(box.right - box.left);
    int rows = 0;
    for (size_t row = 0; width > 0 && row < pixels.size() / width; ++row) {
        const auto begin = pixels.begin() + static_cast<std::ptrdiff_t>(row * width);
        rows += std::any_of(begin, begin + static_cast<std::ptrdiff_t>(width),
                            [background](COLORREF pixel) { return pixel != background; })
                    ? 1
                    : 0;
    }
    return rows;
}

LabelInk InkOf(HWND label)
{
    const RECT box = ScreenRect(label);
    const std::vector<COLORREF> pixels = ScreenPixels(box);
    LabelInk ink;
    ink.background = MostFrequent(pixels);
    const auto width = static_cast<size_t>(box.right - box.left);
    // Dark: what a text colour leaves, not a light background; blue (0, 0, 255) counts as dark.
    const auto dark = [&ink](COLORREF pixel) {
        return pixel != ink.background && GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 450;
    };
    size_t runs = 0;
    size_t runPixels = 0;
    for (size_t at = 0; at < pixels.size(); ++at) {
        if (pixels[at] != ink.background) {
            ink.text.push_back(pixels[at]);
        }
        const bool endsRun = at % width == width - 1 || !dark(pixels[at + 1]);
        if (dark(pixels[at])) {
            ++runPixels;
            runs += endsRun ? 1 : 0;
        }
    }
    ink.strokeWidth = runs > 0 ? static_cast<double>(runPixels) / static_cast<double>(runs) : 0.0;
    return ink;
}

}  // namespace korvane::e2e
