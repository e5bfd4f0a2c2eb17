#include "link/tracker_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_form.h"

namespace korvane {
namespace {

using Log = std::vector<std::string>;

const std::string kFailure = "status Link could not be opened. Start SatPC32 and then try it again.";

class TrackerLinkTest : public ::testing::Test {
protected:
    Log log;
    testing::FakeForm form{log};
};

TEST_F(TrackerLinkTest, OpenLinkSetsTopicItemAndAutomaticModeAndLeavesTheStatusToTheNotification)
{
    OpenLink(form);
    EXPECT_EQ(log, (Log{"topic SatPC32|SatPcDdeConv", "item SatPcDdeItem", "mode 1"}));
    EXPECT_EQ(form.status, "Disconnected from SatPC32");
}

TEST_F(TrackerLinkTest, FailureAtAnyStepSkipsTheRestShowsTheFailureTextAndUndoesNothing)
{
    struct Case {
        const char* failingStep;
        Log expected;
    };
    const std::vector<Case> cases{
        {"topic", {"topic SatPC32|SatPcDdeConv (fails)", kFailure}},
        {"item", {"topic SatPC32|SatPcDdeConv", "item SatPcDdeItem (fails)", kFailure}},
        {"mode", {"topic SatPC32|SatPcDdeConv", "item SatPcDdeItem", "mode 1 (fails)", kFailure}},
    };
    for (const Case& c : cases) {
        log.clear();
        form.mirror = "SNAO-7 AZ1";
        form.failingStep = c.failingStep;
        OpenLink(form);
        EXPECT_EQ(log, c.expected) << c.failingStep;
        EXPECT_EQ(form.mirror, "SNAO-7 AZ1") << "the mirror is not touched";
    }
}

TEST_F(TrackerLinkTest, OpenedLinkIsReportedAndNeverRefused)
{
    for (bool refuse : {false, true}) {
        const bool before = refuse;
        OnLinkOpened(form, refuse);
        EXPECT_EQ(refuse, before);
        EXPECT_EQ(form.status, "Connected to SatPC32");
    }
}

TEST_F(TrackerLinkTest, ClosedLinkIsReportedThenTheMirrorIsEmptied)
{
    form.mirror = "SNISS AZ1";
    OnLinkClosed(form);
    EXPECT_EQ(log, (Log{"status Disconnected from SatPC32", "mirror "}));
    EXPECT_EQ(form.mirror, "");
}

TEST_F(TrackerLinkTest, CloseLinkSetsModeNoneAndNothingElse)
{
    CloseLink(form);
    EXPECT_EQ(log, (Log{"mode 0"}));
}

}  // namespace
}  // namespace korvane
