#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/form1_handlers.h"
#include "app/form1_layout.h"
#include "watch/watch_window.h"
#include "windows/dde_client_link.h"
#include "windows/form1_look.h"
#include "windows/winmm_sound.h"

namespace korvane::win32 {

// Form1, Korvane's one window: the status line, the instructions, the two buttons, the
// hidden mirror Label1 with its DDE link, and Timer1. Each message goes to one handler.
class Form1 final : public WatchWindow, public AppWindow, private DdeLinkEvents {
public:
    // Creates the window with every control, runs the load step, and shows it.
    static std::unique_ptr<Form1> Create(HINSTANCE instance, int showCommand);
    ~Form1() override;

    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Runs the message loop until the window is gone; returns the exit code.
    int RunMessageLoop();

    // The window's operations, for the handlers.
    std::string ReadMirror() const override;
    void SetStatusText(const std::string& text) override;
    void RepaintStatusNow() override;
    void SetTimerEnabled(bool enabled) override;
    void WriteMirror(const std::string& text) override;
    bool SetLinkTopic(const std::string& topic) override;
    bool SetLinkItem(const std::string& item) override;
    bool SetLinkMode(LinkMode mode) override;
    void EndProgram() override;

private:
    explicit Form1(HINSTANCE instance);

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnCommand(int controlId);
    void OnTimer();
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void OnDestroy();

    void OnLinkOpened(bool& refuse) override;
    void OnLinkClosed() override;
    void OnLinkText(const std::string& text) override;

    HWND Control(ControlId id) const;

    HWND window_ = nullptr;
    Form1Look look_;
    WinmmSound sound_;
    DdeClientLink link_;

    // The mirror as delivered, byte for byte; Label1's caption shows its beginning, as much as
    // a window text holds (all of any real item).
    std::string mirror_;
    std::string linkTopic_;
    std::string linkItem_;
};

}  // namespace korvane::win32
