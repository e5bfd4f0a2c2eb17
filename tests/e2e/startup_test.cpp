// The window as the user first sees it, before any link.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "driver/label_drawing.h"
#include "driver/wait_until.h"
#include "driver/window_probe.h"
#include "e2e_fixture.h"
#include "link/link_texts.h"
#include "watch/watch_status_texts.h"
#include "windows/win32_handles.h"

namespace korvane::e2e {
namespace {

using StartUp = KorvaneTest;

TEST_F(StartUp, ShowsTitleAndEveryText)
{
    EXPECT_EQ(StoredText(app_.Window()), kMainWindowCaption);
    for (const auto& control : kMainWindowControls) {
        SCOPED_TRACE(control.text.empty() ? "the mirror" : std::string(control.text));
        const HWND window = app_.Control(control.id);
        ASSERT_NE(window, nullptr) << "no child window with id " << control.id;
        EXPECT_EQ(app_.Text(control.id), std::string(control.text));
        EXPECT_EQ(IsWindowVisible(window) != 0, control.visible);
        if (control.kind == ControlKind::PushButton) {
            EXPECT_EQ(ClassNameOf(window), "Button");
            EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON)
                << "a push button, not a default button or another kind";
        } else {
            EXPECT_EQ(ClassNameOf(window), "Static");
        }
    }
}

// The status row as the screen shows it, in whatever faces the machine offers: both labels on
// light green, "Status:" in blue, and the status line in a face drawn bold, its strokes clearly
// wider than the regular text of the setup intro below (measured: 1.5 to 1.9 times; a bold face
// drawn with the regular strokes, 1.2).
TEST_F(StartUp, StatusRowIsBoldOnLightGreenWithABlueHeading)
{
    const COLORREF lightGreen = RGB(kStatusBackground.red, kStatusBackground.green, kStatusBackground.blue);
    const COLORREF blue = RGB(kStatusHeadingText.red, kStatusHeadingText.green, kStatusHeadingText.blue);
    LabelInk heading;
    LabelInk status;
    LabelInk intro;
    const bool drawn = WaitUntil(
        [&] {
            heading = InkOf(app_.Control(kStatusHeading));
            status = InkOf(app_.Control(kStatusLine));
            intro = InkOf(app_.Control(kSetupIntro));
            return !heading.text.empty() && !status.text.empty() && !intro.text.empty();
        },
        kSoon, std::chrono::milliseconds(100));
    ASSERT_TRUE(drawn) << "the status row and the setup intro were never seen drawn";
    EXPECT_EQ(heading.background, lightGreen);
    EXPECT_EQ(status.background, lightGreen);

    // The strokes' own pixels, not the smoothed edges that blend into the background.
    const auto dark = [](COLORREF pixel) { return GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 450; };
    const auto bluish = [](COLORREF pixel) {
        return GetBValue(pixel) > std::max(GetRValue(pixel), GetGValue(pixel)) + 40;
    };
    const auto strokes = std::ranges::count_if(heading.text, dark);
    const auto blueStrokes =
        std::ranges::count_if(heading.text, [&](COLORREF pixel) { return dark(pixel) && bluish(pixel); });
    EXPECT_GE(blueStrokes * 10, strokes * 9)
        << "the text of \"Status:\" is not blue: " << blueStrokes << " of its " << strokes << " dark pixels are";
    EXPECT_NE(std::ranges::find(heading.text, blue), heading.text.end()) << "no pixel of \"Status:\" is pure blue";
    EXPECT_EQ(
        std::ranges::count_if(status.text, [&](COLORREF pixel) { return bluish(pixel) && GetRValue(pixel) < 128; }), 0)
        << "the status line is not in the default text colour";

    EXPECT_GE(status.strokeWidth, 1.35 * intro.strokeWidth)
        << "the status line does not look bold: its strokes are " << status.strokeWidth
        << " pixels wide on average, the setup intro's " << intro.strokeWidth;
}

// Wine started at each resolution a user sets (100, 125, 150 and 200 %), as
// tests/session/at-screen-resolutions.sh starts it, which names it in KORVANE_E2E_SCREEN_DPI.
class StartUpAtScale : public KorvaneTest {
protected:
    static int ScreenDotsPerInch()
    {
        const char* dpi = std::getenv("KORVANE_E2E_SCREEN_DPI");
        return dpi != nullptr ? std::atoi(dpi) : 0;
    }
};

TEST_F(StartUpAtScale, ClientAreaIsTheLayoutsTwipsAndHoldsEveryControlAndWholeText)
{
    const int dotsPerInch = ScreenDotsPerInch();
    ASSERT_GT(dotsPerInch, 0) << "KORVANE_E2E_SCREEN_DPI names no resolution";
    const SIZE client = ClientSize(app_.Window());
    EXPECT_NEAR(client.cx, TwipsToPixels(kClientWidthTwips, dotsPerInch), 1);
    EXPECT_NEAR(client.cy, TwipsToPixels(kClientHeightTwips, dotsPerInch), 1);
    ExpectLaidOutAt(dotsPerInch);
    StartTracker().Send("set ** NO SATELLITE **");
    ASSERT_NO_FATAL_FAILURE(LinkAndShowTheLongestStatus());
    ExpectEveryLabelShowsItsWholeText(dotsPerInch);
}

// The resolution changed while Wine runs, and Korvane started before Wine is started again: Wine 8
// shows the new resolution; Wine 10 lays the window out at the old one but draws its frame at the
// new.
class StartUpAfterTheResolutionChanged : public KorvaneTest {
protected:
    StartUpAfterTheResolutionChanged() : KorvaneTest(KorvaneApp::Options{.dotsPerInch = 144}) {}
};

TEST_F(StartUpAfterTheResolutionChanged, ClientAreaIsTheTwipsOfItsLayoutAndHoldsEveryControl)
{
    // The resolution it was laid out at, read off its widest control.
    const auto* status = std::ranges::find(kMainWindowControls, kStatusLine, &ControlLayout::id);
    const RECT box = RectInParentClient(app_.Control(kStatusLine));
    const int laidOutAt = static_cast<int>(std::lround((box.right - box.left) * 1440.0 / status->box.width));
    SCOPED_TRACE(std::to_string(laidOutAt) + " dpi");
    const SIZE client = ClientSize(app_.Window());
    EXPECT_NEAR(client.cx, TwipsToPixels(kClientWidthTwips, laidOutAt), 1);
    EXPECT_NEAR(client.cy, TwipsToPixels(kClientHeightTwips, laidOutAt), 1) << "the button row is cut off";
    ExpectLaidOutAt(laidOutAt);
}

TEST_F(StartUp, TicksWithoutALinkChangeNothingAndLoadNoSound)
{
    // Two and a half timer intervals with an empty mirror.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(app_.Text(kStatusLine), std::string(kDisconnectedText));
    EXPECT_EQ(app_.Text(kMirror), "");
    EXPECT_TRUE(app_.Process().IsRunning());
    const SoundLog sounds = app_.Sounds();
    EXPECT_TRUE(sounds.attachMs.empty()) << "winmm.dll was loaded before any sound was due";
    EXPECT_TRUE(sounds.calls.empty());
}

// Presses and releases a key, as if the user typed it: it goes to the foreground window.
void PressKey(WORD key)
{
    INPUT keys[2]{};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = key;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

// Brings the window to the front, taking the messages of the test program's own windows meanwhile.
bool BringToFront(HWND window)
{
    SetForegroundWindow(window);
    return WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&message);
            }
            return GetForegroundWindow() == window;
        },
        kSoon);
}

std::string DescribeControl(HWND window)
{
    return ClassNameOf(window) + " id " + std::to_string(GetDlgCtrlID(window)) + " \"" + StoredText(window) + "\"";
}

TEST_F(StartUp, FocusIsOnLinkAndTabMovesItToQuitAndBack)
{
    const HWND linkButton = app_.Control(kLinkButton);
    const HWND quitButton = app_.Control(kQuitButton);
    // The focus settles on the button as the window is shown and activated.
    EXPECT_TRUE(WaitUntil([&] { return app_.Focus() == linkButton; }, kSoon)) << DescribeControl(app_.Focus());

    ASSERT_TRUE(BringToFront(app_.Window()));
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return app_.Focus() == quitButton; }, kSoon))
        << "Tab did not reach Quit: " << DescribeControl(app_.Focus());
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return app_.Focus() == linkButton; }, kSoon))
        << "Tab did not come back: " << DescribeControl(app_.Focus());
}

TEST_F(StartUp, AfterAnotherWindowWasInFrontTheFocusIsBackOnItsButtonAndSpacePressesIt)
{
    const HWND linkButton = app_.Control(kLinkButton);
    ASSERT_TRUE(WaitUntil([&] { return app_.Focus() == linkButton; }, kSoon)) << DescribeControl(app_.Focus());
    ASSERT_TRUE(BringToFront(app_.Window()));

    // Another program's window comes to the front (Alt+Tab to the tracker), then Korvane again.
    const win32::UniqueWindow other(CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                                    0, 200, 100, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(BringToFront(other.Get()));
    ASSERT_TRUE(BringToFront(app_.Window()));
    EXPECT_TRUE(WaitUntil([&] { return app_.Focus() == linkButton; }, kSoon)) << DescribeControl(app_.Focus());

    PressKey(VK_SPACE);  // no tracker runs: the press shows the failure
    EXPECT_TRUE(app_.WaitForStatus(std::string(kOpenFailedText), kSoon)) << app_.Status();
}

TEST_F(StartUp, ResizingMovesNoControl)
{
    const HWND label = app_.Control(kWaitingNote);
    const RECT before = RectInParentClient(label);
    const HWND quit = app_.Control(kQuitButton);
    const RECT quitBefore = RectInParentClient(quit);
    SetWindowPos(app_.Window(), nullptr, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] { return ClientSize(app_.Window()).cx < 300; }, kSoon));
    const RECT after = RectInParentClient(label);
    const RECT quitAfter = RectInParentClient(quit);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_TRUE(EqualRect(&quitBefore, &quitAfter));
}

}  // namespace
}  // namespace korvane::e2e
