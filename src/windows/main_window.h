#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/main_window_layout.h"
#include "app/quit.h"
#include "watch/pass_watcher.h"
#include "watch/watch_window.h"
#include "windows/dde_client_link.h"
#include "windows/main_window_look.h"
#include "windows/winmm_sound.h"

namespace korvane::win32 {

// Korvane's one window: the status line, the instructions, the link and quit buttons, the
// hidden mirror of the tracker's item with its DDE link, and the watch timer. Each message
// goes to one handler.
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

    void OnCommand(int controlId);
    void OnDpiChanged(int dotsPerInch, const RECT& suggested);
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void OnDestroy();

    void OnLinkOpened() override;
    void OnLinkClosed() override;
    void OnLinkText(const std::string& text) override;

    HWND Control(ControlId id) const;

    HWND window_ = nullptr;
    MainWindowLook look_;
    WinmmSound sound_;
    DdeClientLink link_;
    PassWatcher watcher_;

    // The mirror as delivered, byte for byte; the mirror control's text shows its beginning, as
    // much as a window text holds (all of any real item).
    std::string mirror_;
};

}  // namespace korvane::win32
