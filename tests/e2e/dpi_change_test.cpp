// The window moved between monitors of different scales: Windows tells it the new resolution
// with WM_DPICHANGED and suggests where it goes and how large it becomes.
#include <windows.h>

#include <cmath>
#include <string>

#include "driver/label_drawing.h"
#include "driver/process_memory.h"
#include "driver/window_probe.h"
#include "e2e_fixture.h"
#include "link/link_texts.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {
namespace {

class DpiChange : public KorvaneTest {
protected:
    // The rectangle Windows would suggest at the resolution: the frame around the client area at
    // that scale, at the screen's top left corner, where the whole window can be seen.
    static RECT SuggestedAt(int dotsPerInch)
    {
        RECT rect{0, 0, TwipsToPixels(kClientWidthTwips, dotsPerInch), TwipsToPixels(kClientHeightTwips, dotsPerInch)};
        AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, FALSE, 0);
        OffsetRect(&rect, -rect.left, -rect.top);
        return rect;
    }

    void ChangeTo(int dotsPerInch)
    {
        const RECT suggested = SuggestedAt(dotsPerInch);
        ASSERT_TRUE(SendDpiChanged(app_.Process().Handle(), app_.Window(), dotsPerInch, suggested));
        RECT frame{};
        GetWindowRect(app_.Window(), &frame);
        EXPECT_TRUE(EqualRect(&frame, &suggested)) << "the window does not take the suggested rectangle";
    }
};

TEST_F(DpiChange, EachScaleLaysTheWindowOutAgainWithFontsOfThatScaleAndKeepsWhatItShows)
{
    StartTracker().Send("set ** NO SATELLITE **");
    ASSERT_NO_FATAL_FAILURE(LinkAndShowTheLongestStatus());
    const HWND focus = app_.Focus();
    const double headingRows = RowsOfText(app_.Control(kStatusHeading));
    ASSERT_GT(headingRows, 0);

    for (const int dotsPerInch : {120, 144, 192, 96}) {
        SCOPED_TRACE(std::to_string(dotsPerInch) + " dpi");
        ASSERT_NO_FATAL_FAILURE(ChangeTo(dotsPerInch));
        ExpectLaidOutAt(dotsPerInch);
        // The heading's letters grow with the scale: its font was made anew for it.
        const double expectedRows = headingRows * dotsPerInch / 96.0;
        EXPECT_NEAR(RowsOfText(app_.Control(kStatusHeading)), expectedRows, 1 + 0.15 * expectedRows);
        ExpectEveryLabelShowsItsWholeText(dotsPerInch);
        EXPECT_EQ(app_.Status(), std::string(kNoneVisibleText));
        EXPECT_EQ(app_.Focus(), focus);
    }
}

TEST_F(DpiChange, FiftyChangesBackAndForthLeaveNoGdiObjectBehind)
{
    ASSERT_NO_FATAL_FAILURE(ChangeTo(144));
    ASSERT_NO_FATAL_FAILURE(ChangeTo(96));
    const auto before = GdiObjectsOf(app_.Process().Handle());
    ASSERT_TRUE(before.has_value()) << "Korvane's GDI handle table could not be read";
    for (int change = 0; change < 25; ++change) {
        ASSERT_NO_FATAL_FAILURE(ChangeTo(144));
        ASSERT_NO_FATAL_FAILURE(ChangeTo(96));
    }
    const auto after = GdiObjectsOf(app_.Process().Handle());
    ASSERT_TRUE(after.has_value());
    EXPECT_LE(*after, *before + 2) << "GDI objects before: " << *before;
    ExpectLaidOutAt(96);
}

TEST_F(DpiChange, AChangeWithoutARectangleOrPostedByAnotherProgramIsIgnored)
{
    ASSERT_NO_FATAL_FAILURE(ChangeTo(96));
    const WPARAM dpi = MAKEWPARAM(144, 144);
    PostMessageA(app_.Window(), WM_DPICHANGED, dpi, 0);
    PostMessageA(app_.Window(), WM_DPICHANGED, dpi, 0x10);  // no rectangle lies there
    app_.Click(kLinkButton);  // posted after them, so its answer comes once they were handled
    ASSERT_TRUE(app_.WaitForStatus(std::string(kOpenFailedText), kSoon)) << app_.Status();
    DWORD_PTR ignored = 0;
    EXPECT_NE(SendMessageTimeoutA(app_.Window(), WM_DPICHANGED, dpi, 0, SMTO_NORMAL, 10000, &ignored), 0);
    ExpectLaidOutAt(96);
    ASSERT_NO_FATAL_FAILURE(ChangeTo(144));
    ExpectLaidOutAt(144);
}

}  // namespace
}  // namespace korvane::e2e
