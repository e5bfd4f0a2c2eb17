#include "windows/main_window_look.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/label_faces.h"
#include "link/link_texts.h"
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

HFONT CreateFace(const FontRequest& wanted, std::string_view face, int pixels, int weight)
{
    // Where the face is missing, the font mapper picks the nearest sans-serif face.
    const std::string name(face);
    return CreateFontA(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, static_cast<DWORD>(wanted.charSet),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                       name.c_str());
}

HFONT CreateFace(const FontRequest& wanted, std::string_view face, int pixels)
{
    return CreateFace(wanted, face, pixels, wanted.weight);
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

int MeasuredWidth(HDC dc, std::string_view line)
{
    const std::string text(line);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// Each text, broken at word boundaries as a label breaks it, stays inside its box: its lines are
// no more than the box holds, and each is as wide as the box at most, as it is drawn.
bool TextsFit(HDC dc, const std::vector<LabelText>& texts, int dotsPerInch)
{
    const auto measured = [dc](std::string_view line) { return MeasuredWidth(dc, line); };
    for (const LabelText& label : texts) {
        const int width = TwipsToPixels(label.box.width, dotsPerInch);
        RECT rect{0, 0, width, 0};
        const std::string text(label.text);
        DrawTextA(dc, text.c_str(), -1, &rect, DT_CALCRECT | kLabelTextFormat);
        if (rect.right > width || rect.bottom > TwipsToPixels(label.box.height, dotsPerInch)) {
            return false;
        }
        for (const std::string_view line : LinesOf(label.text, width, measured)) {
            if (DrawnWidth(dc, line, measured(line)) > width) {
                return false;
            }
        }
    }
    return true;
}

// A device context that draws as the screen does, into a bitmap of its own that is read back: a
// memory device context starts with a one-pixel monochrome bitmap, in which a face may be drawn
// without smoothing and so with other widths than the labels show.
class DrawingSurface {
public:
    DrawingSurface(int width, int height) : width_(width), height_(height)
    {
        const BITMAPINFO info = TopDownRgbBitmap(width, height);
        if (dc_) {
            bitmap_.Reset(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        }
        if (bitmap_) {
            selected_.emplace(dc_.Get(), bitmap_.Get());
        }
    }

    HDC Dc() const { return selected_ ? dc_.Get() : nullptr; }

    // How much ink the text leaves, drawn black on white in the selected font: the sum over its
    // pixels of how far each is from white.
    long long InkOf(std::string_view text) const
    {
        PatBlt(dc_.Get(), 0, 0, width_, height_, WHITENESS);
        SetTextColor(dc_.Get(), RGB(0, 0, 0));
        SetBkMode(dc_.Get(), TRANSPARENT);
        const std::string drawn(text);
        TextOutA(dc_.Get(), 0, 0, drawn.c_str(), static_cast<int>(drawn.size()));
        GdiFlush();  // the bits are read directly
        const auto* channels = static_cast<const BYTE*>(bits_);
        long long ink = 0;
        for (size_t pixel = 0; pixel < static_cast<size_t>(width_) * static_cast<size_t>(height_); ++pixel) {
            ink += 3 * 255 - channels[4 * pixel] - channels[4 * pixel + 1] - channels[4 * pixel + 2];
        }
        return ink;
    }

private:
    int width_;
    int height_;
    UniqueDc dc_{CreateCompatibleDC(nullptr)};
    UniqueBitmap bitmap_;
    void* bits_ = nullptr;
    std::optional<SelectedObject> selected_;
};

// Bold as drawn: the face asked for in bold leaves clearly more ink than the same face in regular
// weight. Some faces keep the regular strokes at small heights, although the font reports itself
// bold (Liberation Sans at 11 pixels leaves about as much ink in either weight; a face drawn bold
// leaves 1.5 to 2.2 times as much).
constexpr double kBoldInkRatio = 1.3;

bool DrawsBold(const DrawingSurface& surface, const FontRequest& wanted, std::string_view face, int pixels)
{
    const std::string_view sample = kDisconnectedText;
    const UniqueFont regular(CreateFace(wanted, face, pixels, FW_NORMAL));
    const UniqueFont bold(CreateFace(wanted, face, pixels, FW_BOLD));
    if (!regular || !bold) {
        return false;
    }
    const auto inkIn = [&](const UniqueFont& font) {
        const SelectedObject selected(surface.Dc(), font.Get());
        return static_cast<double>(surface.InkOf(sample));
    };
    return inkIn(bold) >= kBoldInkRatio * inkIn(regular);
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
    const int askedPixels = PointsToPixels(wanted.points, dotsPerInch);
    // Wide enough for the window's widest line and high enough for any height tried.
    const DrawingSurface surface(TwipsToPixels(kClientWidthTwips, dotsPerInch), 2 * askedPixels);
    const HDC dc = surface.Dc();
    std::map<std::string_view, bool> installed;  // each near face looked up once, at any height
    const auto isInstalled = [&](std::string_view face) {
        const auto [known, added] = installed.try_emplace(face, false);
        if (added) {
            known->second = FaceInstalled(dc, face);
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
        const SelectedObject selected(dc, candidate.Get());
        // A bold face keeps one look at every scale: one that loses its bold at the smallest,
        // 100 %, is taken at none, so that a window moved between monitors keeps its face.
        return DrawsAsAsked(dc, face, asked, pixels) && TextsFit(dc, texts, dotsPerInch) &&
               (wanted.weight < FW_BOLD || (DrawsBold(surface, wanted, face, pixels) &&
                                            DrawsBold(surface, wanted, face, PointsToPixels(wanted.points, 96))));
    };
    const FaceChoice choice = ChooseFace(wanted.face, kNearFaces, askedPixels, fits);
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
