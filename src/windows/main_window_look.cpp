#include "windows/main_window_look.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/label_faces.h"
#include "windows/wine_quirks.h"

namespace korvane::win32 {
namespace {

struct FontRequest {
    std::string_view face;
    double points;
    int weight;
    int charSet;
};
// The bold face of the status row.
constexpr FontRequest kStatusFont{"MS Sans Serif", 8.25, FW_BOLD, ANSI_CHARSET};
// The window's face, regular: "MS Shell Dlg" is the name every Windows maps to its default
// dialog face (any character set).
constexpr FontRequest kWindowFont{"MS Shell Dlg", 8.0, FW_NORMAL, DEFAULT_CHARSET};

// How a static label with SS_LEFT | SS_NOPREFIX lays out its text.
constexpr UINT kLabelTextFormat = DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

COLORREF ToColorRef(Rgb rgb)
{
    return RGB(rgb.red, rgb.green, rgb.blue);
}

HFONT CreateFace(const FontRequest& wanted, std::string_view face, int pixels)
{
    // Where the face is missing, the font mapper picks the nearest sans-serif face.
    const std::string name(face);
    return CreateFontA(-pixels, 0, 0, 0, wanted.weight, FALSE, FALSE, FALSE, static_cast<DWORD>(wanted.charSet),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                       name.c_str());
}

// The font is drawn at the height asked for (a face of fixed sizes, such as the bitmap "MS Sans
// Serif", may give a size of its own) and, unless any face will do, in the face named rather
// than a stand-in from the font mapper.
bool DrawsAsAsked(HDC dc, std::string_view face, bool anyFace, int pixels)
{
    char drawn[LF_FACESIZE] = {};
    TEXTMETRICA metrics{};
    const std::string name(face);
    return (anyFace || (GetTextFaceA(dc, LF_FACESIZE, drawn) > 0 && lstrcmpiA(drawn, name.c_str()) == 0)) &&
           GetTextMetricsA(dc, &metrics) && metrics.tmHeight - metrics.tmInternalLeading == pixels;
}

int CALLBACK NoteFaceFound(const LOGFONTA* /*font*/, const TEXTMETRICA* /*metrics*/, DWORD /*type*/, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

// Whether a face of the name is installed: asked of the font list, without making a font of it.
bool FaceInstalled(HDC dc, std::string_view face)
{
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExA(dc, &wanted, &NoteFaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// Each text, broken at word boundaries as a label breaks it, stays inside its box.
bool TextsFit(HDC dc, const std::vector<LabelText>& texts, int dotsPerInch)
{
    for (const LabelText& label : texts) {
        const int width = TwipsToPixels(label.box.width, dotsPerInch);
        RECT rect{0, 0, width, 0};
        const std::string text(label.text);
        DrawTextA(dc, text.c_str(), -1, &rect, DT_CALCRECT | kLabelTextFormat);
        if (rect.right > width || rect.bottom > TwipsToPixels(label.box.height, dotsPerInch)) {
            return false;
        }
    }
    return true;
}

// The face and height fitted to the font's texts at the dots per inch, measured the first time
// that resolution is asked for and remembered: a window moved back and forth between monitors
// does not measure again.
FaceChoice FittedFace(const FontRequest& wanted, LabelFont font, int dotsPerInch)
{
    static std::map<std::pair<LabelFont, int>, FaceChoice> fitted;
    const auto key = std::make_pair(font, dotsPerInch);
    if (const auto known = fitted.find(key); known != fitted.end()) {
        return known->second;
    }
    const std::vector<LabelText> texts = TextsDrawnIn(font);
    const ScreenDc screen(GetDC(nullptr));
    const UniqueDc dc(CreateCompatibleDC(screen.Get()));
    std::map<std::string_view, bool> installed;  // each near face looked up once, at any height
    const auto isInstalled = [&](std::string_view face) {
        const auto [known, added] = installed.try_emplace(face, false);
        if (added) {
            known->second = FaceInstalled(dc.Get(), face);
        }
        return known->second;
    };
    const auto fits = [&](std::string_view face, int pixels) {
        // The face asked for may be a name the mapper resolves ("MS Shell Dlg"); a near face is
        // tried only where it is installed, and must then be drawn as itself.
        const bool asked = face == wanted.face;
        if (!dc || (!asked && !isInstalled(face))) {
            return false;
        }
        const UniqueFont candidate(CreateFace(wanted, face, pixels));
        if (!candidate) {  // coverage: font-not-made
            return false;
        }
        const SelectedObject selected(dc.Get(), candidate.Get());
        return DrawsAsAsked(dc.Get(), face, asked, pixels) && TextsFit(dc.Get(), texts, dotsPerInch);
    };
    const FaceChoice choice = ChooseFace(wanted.face, kNearFaces, PointsToPixels(wanted.points, dotsPerInch), fits);
    fitted.emplace(key, choice);
    return choice;
}

// The font asked for, or where its texts would not fit their boxes in it, the nearest face of
// the same weight in which they do, at the same size or else the nearest smaller one.
HFONT CreateFittingFont(const FontRequest& wanted, LabelFont font, int dotsPerInch)
{
    const FaceChoice choice = FittedFace(wanted, font, dotsPerInch);
    return CreateFace(wanted, choice.face, choice.pixels);
}

}  // namespace

void MainWindowLook::Create(int dotsPerInch)
{
    statusFont_.Reset(CreateFittingFont(kStatusFont, LabelFont::StatusRow, dotsPerInch));
    windowFont_.Reset(CreateFittingFont(kWindowFont, LabelFont::Window, dotsPerInch));
    statusBrush_.Reset(CreateSolidBrush(ToColorRef(kStatusBackground)));
}

HFONT MainWindowLook::FontFor(ControlLook look) const
{
    HFONT font = FontOf(look) == LabelFont::StatusRow ? statusFont_.Get() : windowFont_.Get();
    return font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HBRUSH MainWindowLook::PaintLabel(ControlLook look, HDC dc) const
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

}  // namespace korvane::win32
