#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/handler_turns.h"
#include "app/main_window_layout.h"
#include "app/quit.h"
#include "watch/pass_watcher.h"
#include "watch/watch_window.h"
#include "windows/ansi_code_page.h"
#include "windows/dde_client_link.h"
#include "windows/main_window_look.h"
#include "windows/message_wait.h"
#include "windows/winmm_sound.h"

namespace korvane::win32 {

// Korvane's one window: the status line, the instructions, the link and quit buttons, the
// hidden mirror of the tracker's item with its DDE link, and the watch timer. Each message
// goes to one handler, and each handler runs to its end before the next one starts: a click,
// a close or a link notification that arrives while a handler runs (sent by another program,
// or while the handler waits on the tracker) is taken from the queue after it.
class MainWindow final : public WatchWindow, public AppWindow, private DdeLinkEvents {
public:
    // Creates the window with every control and shows it.
    static std::unique_ptr<MainWindow> Create(HINSTANCE instance, int showCommand);
    ~MainWindow() override;

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Runs the message loop until the window is gone; returns the exit code.
    int RunMessageLoop();

    // The window's operations, for the handlers.
    std::string ReadMirror() const override;
    void SetStatusText(const std::string& text) override;
    void RepaintStatusNow() override;
    void SetTimerEnabled(bool enabled) override;
    void WriteMirror(const std::string& text) override;
    bool OpenLink(std::string_view service, std::string_view topic, std::string_view item) override;
    void CloseLink() override;
    void EndProgram() override;

    // Every message of the window, from its window procedure.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    explicit MainWindow(HINSTANCE instance);

    // Places every control and makes the fonts for the dots per inch.
    void LayOut(int dotsPerInch);

    // One message from the queue, to the dialog manager or its window.
    void TakeMessage(MSG& message);

    // At the end of each handler's turn, what was put off meanwhile goes to the queue again.
    void OnTurnEnded(bool linkEventsWait);
    // A link notification: run now, or, while another handler runs, after it; either way after
    // every notification put off before it.
    enum class LinkEvent { Opened, Closed, Text };
    void TakeLinkEvent(LinkEvent event, const std::string& text);

    void OnActivate(WORD state);
    void OnSetFocus();
    void OnCommand(int controlId);
    void OnDpiChanged(int dotsPerInch, const RECT& suggested);
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void OnDestroy();

    void OnLinkOpened() override;
    void OnLinkClosed() override;
    void OnLinkText(const std::string& text) override;

    HWND Control(ControlId id) const;

    HWND window_ = nullptr;
    MessageWait wait_;
    MainWindowLook look_;
    WinmmSound sound_;
    DdeClientLink link_;
    PassWatcher watcher_{AnsiCharacterLength};

    // The mirror as delivered, byte for byte; the mirror control's text shows its beginning, as
    // much as a window text holds (all of any real item).
    std::string mirror_;

    // The control that had the keyboard focus when the window was last deactivated; it gets the
    // focus back when the window is activated again.
    HWND focusedControl_ = nullptr;

    HandlerTurns turns_{[this](bool linkEventsWait) { OnTurnEnded(linkEventsWait); }};
    bool linkCallRunning_ = false;  // the running handler's own call into the link
    // Clicks and closes that came while a handler ran, posted again once it has ended.
    struct PutOffMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<PutOffMessage> putOffMessages_;
};

}  // namespace korvane::win32
