#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/form1_handlers.h"
#include "app/form1_layout.h"
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

}  // namespace
}  // namespace korvane
