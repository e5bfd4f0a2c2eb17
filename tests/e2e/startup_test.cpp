// The window as the user first sees it, before any link.
#include <windows.h>

#include <string>
#include <thread>

#include "driver/wait_until.h"
#include "driver/window_probe.h"
#include "e2e_fixture.h"
#include "link/link_texts.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {
namespace {

constexpr int kDpi = 96;

using StartUp = KorvaneTest;

TEST_F(StartUp, ShowsTitleEveryTextAndTheLayoutAt96Dpi)
{
    EXPECT_EQ(StoredText(app_.Window()), kMainWindowCaption);
    const SIZE client = ClientSize(app_.Window());
    EXPECT_EQ(client.cx, TwipsToPixels(kClientWidthTwips, kDpi));
    EXPECT_EQ(client.cy, TwipsToPixels(kClientHeightTwips, kDpi));

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
        if (!control.visible) {
            continue;
        }
        const RECT rect = RectInParentClient(window);
        EXPECT_EQ(rect.left, TwipsToPixels(control.box.left, kDpi));
        EXPECT_EQ(rect.top, TwipsToPixels(control.box.top, kDpi));
        EXPECT_EQ(rect.right - rect.left, TwipsToPixels(control.box.width, kDpi));
        EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(control.box.height, kDpi));
    }
}

TEST_F(StartUp, EveryLabelShowsItsWholeTextAt96Dpi)
{
    StartTracker().Send("set ** NO SATELLITE **");
    ASSERT_NO_FATAL_FAILURE(LinkAndShowTheLongestStatus());
    ExpectEveryLabelShowsItsWholeText(kDpi);
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

TEST_F(StartUp, FocusIsOnLinkAndTabMovesItToQuitAndBack)
{
    const HWND linkButton = app_.Control(kLinkButton);
    const HWND quitButton = app_.Control(kQuitButton);
    auto describe = [&](HWND window) {
        return ClassNameOf(window) + " id " + std::to_string(GetDlgCtrlID(window)) + " \"" + StoredText(window) + "\"";
    };
    // The focus settles on the button as the window is shown and activated.
    EXPECT_TRUE(WaitUntil([&] { return app_.Focus() == linkButton; }, kSoon)) << describe(app_.Focus());

    // Keys go to the foreground window, as if the user typed them.
    SetForegroundWindow(app_.Window());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == app_.Window(); }, kSoon));
    auto pressTab = [] {
        INPUT keys[2]{};
        keys[0].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = VK_TAB;
        keys[1] = keys[0];
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
    };
    pressTab();
    EXPECT_TRUE(WaitUntil([&] { return app_.Focus() == quitButton; }, kSoon))
        << "Tab did not reach Quit: " << describe(app_.Focus());
    pressTab();
    EXPECT_TRUE(WaitUntil([&] { return app_.Focus() == linkButton; }, kSoon))
        << "Tab did not come back: " << describe(app_.Focus());
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
