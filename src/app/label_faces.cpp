#include "app/label_faces.h"

#include "link/link_texts.h"
#include "watch/watch_status_texts.h"

namespace korvane {

LabelFont FontOf(ControlLook look)
{
    const bool statusRow = look == ControlLook::StatusHeading || look == ControlLook::StatusLine;
    return statusRow ? LabelFont::StatusRow : LabelFont::Window;
}

std::vector<LabelText> TextsDrawnIn(LabelFont font)
{
    std::vector<LabelText> texts;
    for (const ControlLayout& control : kMainWindowControls) {
        if (control.kind != ControlKind::Label || !control.visible || FontOf(control.look) != font) {
            continue;
        }
        if (control.look != ControlLook::StatusLine) {
            texts.push_back({control.text, control.box});
            continue;
        }
        // The status line shows these in turn; a satellite's name is as long as the tracker makes it.
        for (const std::string_view status : {kDisconnectedText, kConnectedText, kOpenFailedText, kNoneVisibleText}) {
            texts.push_back({status, control.box});
        }
    }
    return texts;
}

std::vector<std::string_view> LinesOf(std::string_view text, int width,
                                      const std::function<int(std::string_view)>& widthOf)
{
    std::vector<std::string_view> lines;
    size_t start = text.find_first_not_of(' ');
    while (start != std::string_view::npos) {
        size_t end = text.find(' ', start);  // the end of the line's first word
        for (;;) {
            const size_t next = text.find_first_not_of(' ', end);
            if (end == std::string_view::npos || next == std::string_view::npos) {
                end = std::string_view::npos;
                break;
            }
            const size_t nextEnd = text.find(' ', next);
            if (widthOf(text.substr(start, nextEnd == std::string_view::npos ? nextEnd : nextEnd - start)) > width) {
                break;
            }
            end = nextEnd;
        }
        const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        lines.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
        start = end == std::string_view::npos ? end : text.find_first_not_of(' ', end);
    }
    return lines;
}

FaceChoice ChooseFace(std::string_view asked, std::span<const std::string_view> nearFaces, int pixels,
                      const std::function<bool(std::string_view face, int pixels)>& fits)
{
    for (int height = pixels; height >= 1 && 3 * height >= 2 * pixels; --height) {
        if (fits(asked, height)) {
            return {asked, height};
        }
        for (const std::string_view face : nearFaces) {
            if (face != asked && fits(face, height)) {
                return {face, height};
            }
        }
    }
    return {asked, pixels};
}

}  // namespace korvane
