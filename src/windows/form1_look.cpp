#include "windows/form1_look.h"

namespace korvane::win32 {
namespace {

constexpr double kDialogFontPoints = 8.0;

COLORREF ToColorRef(Rgb rgb)
{
    return RGB(rgb.red, rgb.green, rgb.blue);
}

HFONT CreateStatusFont(int dotsPerInch)
{
    // Where "MS Sans Serif" is missing, the font mapper picks the nearest sans-serif face.
    return CreateFontA(-PointsToPixels(kStatusFont.points, dotsPerInch), 0, 0, 0, kStatusFont.weight, FALSE, FALSE,
                       FALSE, static_cast<DWORD>(kStatusFont.charSet), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, kStatusFont.face.data());
}

HFONT CreateDialogFont(int dotsPerInch)
{
    // "MS Shell Dlg" is the name every Windows maps to its default dialog face.
    return CreateFontA(-PointsToPixels(kDialogFontPoints, dotsPerInch), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, "MS Shell Dlg");
}

}  // namespace

void Form1Look::Create(int dotsPerInch)
{
    statusFont_.Reset(CreateStatusFont(dotsPerInch));
    dialogFont_.Reset(CreateDialogFont(dotsPerInch));
    statusBrush_.Reset(CreateSolidBrush(ToColorRef(kStatusBackground)));
}

HFONT Form1Look::FontFor(ControlLook look) const
{
    const bool statusRow = look == ControlLook::StatusHeading || look == ControlLook::StatusLine;
    HFONT font = statusRow ? statusFont_.Get() : dialogFont_.Get();
    return font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HBRUSH Form1Look::PaintLabel(ControlLook look, HDC dc) const
{
    SetBkMode(dc, OPAQUE);
    switch (look) {
    case ControlLook::StatusHeading:
    case ControlLook::StatusLine:
        SetTextColor(dc, look == ControlLook::StatusHeading ? ToColorRef(kStatusHeadingText)
                                                            : GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, ToColorRef(kStatusBackground));
        return statusBrush_.Get();
    default:
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_ACTIVEBORDER));
        return GetSysColorBrush(COLOR_ACTIVEBORDER);
    }
}

int ScreenDotsPerInch()
{
    constexpr int kDefaultDotsPerInch = 96;
    const ScreenDc screen;
    const int dotsPerInch = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dotsPerInch > 0 ? dotsPerInch : kDefaultDotsPerInch;
}

}  // namespace korvane::win32
