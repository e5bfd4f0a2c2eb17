#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/form1_handlers.h"
#include "app/form1_layout.h"
#include "app/label_faces.h"
#include "fake_form.h"
#include "watch/module1.h"

namespace korvane {
namespace {

using Log = std::vector<std::string>;

TEST(Form1Test, LoadClearsThePreviousSatelliteOnly)
{
    Module1::PreviousSatellite = "AO-7";
    OnLoad();
    EXPECT_EQ(Module1::PreviousSatellite, "");
}

TEST(Form1Test, QuitClosesTheLinkBeforeEndingWhetherOrNotALinkIsOpen)
{
    Log log;
    testing::FakeForm form{log};
    Quit(form);
    EXPECT_EQ(log, (Log{"mode 0", "end program"}));
}

const ControlLayout& Control(std::string_view name)
{
    const auto found = std::find_if(kForm1Controls.begin(), kForm1Controls.end(),
                                    [name](const ControlLayout& c) { return c.name == name; });
    EXPECT_NE(found, kForm1Controls.end()) << name;
    return *found;
}

TEST(Form1Test, ControlsAreUniqueButtonsComeLastInFocusOrderAndOnlyTheMirrorIsHidden)
{
    std::set<std::string_view> names;
    std::set<int> ids;
    for (const ControlLayout& c : kForm1Controls) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        EXPECT_TRUE(ids.insert(c.id).second) << c.name;
        EXPECT_EQ(c.visible, c.name != "Label1") << c.name;
        EXPECT_EQ(c.text.find('&'), std::string_view::npos) << "no access keys: " << c.name;
    }
    EXPECT_EQ(kForm1Controls[8].name, "cmdOpen");
    EXPECT_EQ(kForm1Controls[9].name, "cmdEnd");
    EXPECT_EQ(Control("Label1").text, "");
    EXPECT_EQ(Control("Label3").text, "Disconnected from SatPC32");
}

TEST(Form1Test, EveryVisibleControlLiesInsideTheClientArea)
{
    for (const ControlLayout& c : kForm1Controls) {
        EXPECT_GE(c.box.left, 0) << c.name;
        EXPECT_GE(c.box.top, 0) << c.name;
        EXPECT_LE(c.box.left + c.box.width, kForm1ClientWidthTwips) << c.name;
        EXPECT_LE(c.box.top + c.box.height, kForm1ClientHeightTwips) << c.name;
    }
}

TEST(Form1Test, TwipsBecomeFifteenToThePixelAt96DpiAndScaleWithTheScreen)
{
    EXPECT_EQ(TwipsToPixels(kForm1ClientWidthTwips, 96), 614);
    EXPECT_EQ(TwipsToPixels(kForm1ClientHeightTwips, 96), 219);
    for (const ControlLayout& c : kForm1Controls) {
        for (int twips : {c.box.left, c.box.top, c.box.width, c.box.height}) {
            EXPECT_EQ(TwipsToPixels(twips, 96) * 15, twips) << c.name;
            EXPECT_EQ(TwipsToPixels(twips, 192), 2 * TwipsToPixels(twips, 96)) << c.name;
        }
    }
    EXPECT_EQ(TwipsToPixels(255, 120), 21);  // 21.25 rounds down
    EXPECT_EQ(TwipsToPixels(735, 144), 74);  // 73.5 rounds up
    EXPECT_EQ(PointsToPixels(kStatusFont.points, 96), 11);
    EXPECT_EQ(PointsToPixels(kStatusFont.points, 144), 17);
}

TEST(Form1Test, ALabelFaceIsTheOneAskedForWhereItFitsElseTheNearestThatFits)
{
    std::vector<std::string_view> tried;
    const auto fitsOnly = [&tried](std::string_view fitting) {
        return [&tried, fitting](std::string_view face) {
            tried.push_back(face);
            return face == fitting;
        };
    };
    EXPECT_EQ(ChooseFace("MS Shell Dlg", fitsOnly("MS Shell Dlg")), "MS Shell Dlg");
    EXPECT_EQ(tried.size(), 1U);

    // "MS Sans Serif" is asked for and is also a near face: it is not tried twice.
    tried.clear();
    EXPECT_EQ(ChooseFace("MS Sans Serif", fitsOnly("Tahoma")), "Tahoma");
    EXPECT_EQ(tried, (std::vector<std::string_view>{"MS Sans Serif", "Microsoft Sans Serif", "Tahoma"}));

    tried.clear();
    EXPECT_EQ(ChooseFace("MS Shell Dlg", fitsOnly("none")), "MS Shell Dlg") << "nothing fits: the face asked for";
    EXPECT_EQ(tried.size(), kNearFaces.size() + 1);

    // The status line is measured with every fixed text it shows, the other labels with their own.
    std::vector<std::string_view> statusTexts;
    for (const LabelText& label : TextsDrawnIn(Form1Font::StatusRow)) {
        statusTexts.push_back(label.text);
    }
    EXPECT_EQ(statusTexts.size(), 5U);
    EXPECT_EQ(TextsDrawnIn(Form1Font::Window).size(), 5U);
}

}  // namespace
}  // namespace korvane
