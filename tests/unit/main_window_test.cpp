#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "app/handler_turns.h"
#include "app/label_faces.h"
#include "app/main_window_layout.h"
#include "app/quit.h"
#include "fake_main_window.h"

namespace korvane {
namespace {

using Log = std::vector<std::string>;

TEST(MainWindowTest, QuitClosesTheLinkBeforeEndingWhetherOrNotALinkIsOpen)
{
    Log log;
    testing::FakeMainWindow window{log};
    Quit(window);
    EXPECT_EQ(log, (Log{"close", "end program"}));
}

TEST(MainWindowTest, LinkNotificationsRunInTheOrderTheyCameWhetherPutOffOrNot)
{
    Log log;
    std::vector<bool> turnEnds;
    HandlerTurns turns([&](bool notificationsWait) { turnEnds.push_back(notificationsWait); });
    auto note = [&log](const std::string& what) { return [&log, what] { log.push_back(what); }; };

    // A text comes while the tick runs: it waits, and the tick's end asks for a turn for it.
    turns.Run([&] {
        turns.Notify(note("text"), false);
        log.push_back("tick");
    });
    EXPECT_EQ(turnEnds, std::vector<bool>{true});
    // Before that turn the tracker's end comes, which could run at once: it runs after the text.
    turns.Notify(note("closed"), false);
    turns.RunWaiting();  // the turn asked for finds nothing left
    // Within the running handler's own call into the link, a notification runs at once, after
    // those waiting.
    turns.Run([&] {
        turns.Notify(note("text 2"), false);
        turns.Notify(note("opened"), true);
        log.push_back("link");
    });
    EXPECT_EQ(log, (Log{"tick", "text", "closed", "text 2", "opened", "link"}));
    EXPECT_FALSE(turnEnds.back());
}

const ControlLayout& Control(ControlId id)
{
    const auto found = std::find_if(kMainWindowControls.begin(), kMainWindowControls.end(),
                                    [id](const ControlLayout& c) { return c.id == id; });
    EXPECT_NE(found, kMainWindowControls.end()) << id;
    return *found;
}

TEST(MainWindowTest, ControlsAreUniqueButtonsComeLastInFocusOrderAndOnlyTheMirrorIsHidden)
{
    std::set<int> ids;
    for (const ControlLayout& c : kMainWindowControls) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        EXPECT_EQ(c.visible, c.id != kMirror) << c.id;
        EXPECT_EQ(c.text.find('&'), std::string_view::npos) << "no access keys: " << c.id;
    }
    EXPECT_EQ(kMainWindowControls[8].id, kLinkButton);
    EXPECT_EQ(kMainWindowControls[9].id, kQuitButton);
    EXPECT_EQ(Control(kMirror).text, "");
    EXPECT_EQ(Control(kStatusLine).text, "Disconnected from SatPC32");
}

TEST(MainWindowTest, EveryVisibleControlLiesInsideTheClientArea)
{
    for (const ControlLayout& c : kMainWindowControls) {
        EXPECT_GE(c.box.left, 0) << c.id;
        EXPECT_GE(c.box.top, 0) << c.id;
        EXPECT_LE(c.box.left + c.box.width, kClientWidthTwips) << c.id;
        EXPECT_LE(c.box.top + c.box.height, kClientHeightTwips) << c.id;
    }
}

TEST(MainWindowTest, TwipsBecomeFifteenToThePixelAt96DpiAndScaleWithTheScreen)
{
    EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 96), 614);
    EXPECT_EQ(TwipsToPixels(kClientHeightTwips, 96), 219);
    for (const ControlLayout& c : kMainWindowControls) {
        for (int twips : {c.box.left, c.box.top, c.box.width, c.box.height}) {
            EXPECT_EQ(TwipsToPixels(twips, 96) * 15, twips) << c.id;
            EXPECT_EQ(TwipsToPixels(twips, 192), 2 * TwipsToPixels(twips, 96)) << c.id;
        }
    }
    EXPECT_EQ(TwipsToPixels(255, 120), 21);  // 21.25 rounds down
    EXPECT_EQ(TwipsToPixels(735, 144), 74);  // 73.5 rounds up
    EXPECT_EQ(PointsToPixels(8.25, 96), 11);
    EXPECT_EQ(PointsToPixels(8.25, 144), 17);
}

TEST(MainWindowTest, ALabelFaceIsTheOneAskedForWhereItFitsElseTheNearestThatFitsElseASmallerSize)
{
    constexpr std::array<std::string_view, 3> kNear{"Near", "Asked", "Nearer"};
    std::vector<std::string> tried;
    // Fits only the face at the height and below it.
    const auto fitsOnly = [&tried](std::string_view fitting, int atMost) {
        return [&tried, fitting, atMost](std::string_view face, int pixels) {
            tried.push_back(std::string(face) + " " + std::to_string(pixels));
            return face == fitting && pixels <= atMost;
        };
    };
    const auto expectChoice = [](FaceChoice choice, std::string_view face, int pixels) {
        EXPECT_EQ(choice.face, face);
        EXPECT_EQ(choice.pixels, pixels);
    };
    expectChoice(ChooseFace("Asked", kNear, 12, fitsOnly("Asked", 12)), "Asked", 12);
    EXPECT_EQ(tried, (std::vector<std::string>{"Asked 12"}));

    // The face asked for is also a near face: it is not tried twice at one height.
    tried.clear();
    expectChoice(ChooseFace("Asked", kNear, 12, fitsOnly("Nearer", 12)), "Nearer", 12);
    EXPECT_EQ(tried, (std::vector<std::string>{"Asked 12", "Near 12", "Nearer 12"}));

    // No face fits at the height: the first that fits at the nearest smaller one, rather than clip.
    tried.clear();
    expectChoice(ChooseFace("Asked", kNear, 12, fitsOnly("Near", 10)), "Near", 10);
    EXPECT_EQ(tried.size(), 3U * 3U - 1U);

    // Nothing down to two thirds of the height: the face asked for, at its height.
    tried.clear();
    expectChoice(ChooseFace("Other", kNear, 12, fitsOnly("Near", 7)), "Other", 12);
    EXPECT_EQ(tried.back(), "Nearer 8");

    // The status line is measured with every fixed text it shows, the other labels with their own.
    EXPECT_EQ(TextsDrawnIn(LabelFont::StatusRow).size(), 5U);
    EXPECT_EQ(TextsDrawnIn(LabelFont::Window).size(), 5U);
}

TEST(MainWindowTest, ALabelsLinesTakeTheWordsThatFitAndAWordTooWideStandsAlone)
{
    const auto oneAPixel = [](std::string_view text) { return static_cast<int>(text.size()); };
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(LinesOf("give a voice warning", 12, oneAPixel), (Lines{"give a voice", "warning"}));
    EXPECT_EQ(LinesOf("give a voice warning", 11, oneAPixel), (Lines{"give a", "voice", "warning"}));
    EXPECT_EQ(LinesOf("a  satellites  b", 3, oneAPixel), (Lines{"a", "satellites", "b"}));
    EXPECT_EQ(LinesOf(" one line ", 80, oneAPixel), (Lines{"one line"}));
    EXPECT_TRUE(LinesOf("   ", 80, oneAPixel).empty());
}

}  // namespace
}  // namespace korvane
