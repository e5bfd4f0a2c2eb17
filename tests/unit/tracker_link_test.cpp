#include "link/tracker_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_main_window.h"

namespace korvane {
namespace {

using Log = std::vector<std::string>;

class TrackerLinkTest : public ::testing::Test {
protected:
    Log log;
    testing::FakeMainWindow window{log};
};

TEST_F(TrackerLinkTest, OpenLinkAsksForSatPC32sItemAndLeavesTheStatusToTheLinksReport)
{
    OpenLink(window);
    EXPECT_EQ(log, (Log{"open SatPC32 SatPcDdeConv SatPcDdeItem"}));
    EXPECT_EQ(window.status, "Disconnected from SatPC32");
}

TEST_F(TrackerLinkTest, ALinkThatDoesNotOpenShowsTheFailureTextAndLeavesTheMirrorAlone)
{
    window.mirror = "SNAO-7 AZ1";
    window.linkOpens = false;
    OpenLink(window);
    EXPECT_EQ(log, (Log{"open SatPC32 SatPcDdeConv SatPcDdeItem (fails)",
                        "status Link could not be opened. Start SatPC32 and then try it again."}));
    EXPECT_EQ(window.mirror, "SNAO-7 AZ1");
}

TEST_F(TrackerLinkTest, OpenedLinkIsReported)
{
    OnLinkOpened(window);
    EXPECT_EQ(log, (Log{"status Connected to SatPC32"}));
}

TEST_F(TrackerLinkTest, ClosedLinkIsReportedThenTheMirrorIsEmptied)
{
    window.mirror = "SNISS AZ1";
    OnLinkClosed(window);
    EXPECT_EQ(log, (Log{"status Disconnected from SatPC32", "mirror "}));
    EXPECT_EQ(window.mirror, "");
}

}  // namespace
}  // namespace korvane
