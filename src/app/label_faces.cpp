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
