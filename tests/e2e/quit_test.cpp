// Ending the program by its Quit button and by closing its window.
#include "e2e_fixture.h"

namespace korvane::e2e {
namespace {

using Ending = KorvaneTest;

TEST_F(Ending, QuitEndsTheProgramAndTheConversation)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    app_.WaitForSoundCalls(ChainFor("AO-7").size());

    app_.Click(kQuitButton);
    EXPECT_TRUE(app_.WaitForExit(kSoon));
    // The tracker hears that the client is gone: the advise link is dropped or the conversation ended.
    EXPECT_TRUE(tracker_->WaitEvent("unadvise") || tracker_->WaitEvent("terminate from client")) << Transcript();
}

TEST_F(Ending, QuitWithoutALinkEndsTheProgram)
{
    app_.Click(kQuitButton);
    EXPECT_TRUE(app_.WaitForExit(kSoon));
}

TEST_F(Ending, ClosingTheWindowEndsTheProgram)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    app_.Close();
    EXPECT_TRUE(app_.WaitForExit(kSoon));
}

}  // namespace
}  // namespace korvane::e2e
