#include "windows/main_window.h"

#include <algorithm>

#include "link/tracker_link.h"
#include "windows/monitor_dpi.h"
#include "windows/owned_window.h"
#include "windows/resource_ids.h"
#include "windows/wine_quirks.h"

namespace korvane::win32 {
namespace {

constexpr UINT_PTR kWatchTimer = 1;
// Posted to the window for each link notification put off while a handler ran.
constexpr UINT kLinkEventPutOff = WM_APP + 1;
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// The control's box in pixels at the dots per inch.
RECT PixelBox(const ControlLayout& control, int dotsPerInch)
{
    const TwipsRect& box = control.box;
    const int left = TwipsToPixels(box.left, dotsPerInch);
    const int top = TwipsToPixels(box.top, dotsPerInch);
    return RECT{left, top, left + TwipsToPixels(box.width, dotsPerInch), top + TwipsToPixels(box.height, dotsPerInch)};
}

// Creates a control in its box at the dots per inch, in its font; the window is not shown yet,
// so nothing is drawn.
void CreateControl(const ControlLayout& control, HWND parent, HINSTANCE instance, int dotsPerInch,
                   const MainWindowLook& look)
{
    const bool button = control.kind == ControlKind::PushButton;
    DWORD style = WS_CHILD | (control.visible ? WS_VISIBLE : 0U);
    // Labels wrap at word boundaries in a fixed box and never read "&" as an access key.
    style |= button ? static_cast<DWORD>(WS_TABSTOP | BS_PUSHBUTTON) : static_cast<DWORD>(SS_LEFT | SS_NOPREFIX);
    const std::string text(control.text);
    const RECT box = PixelBox(control, dotsPerInch);
    HWND made = CreateWindowExA(0, button ? "BUTTON" : "STATIC", text.c_str(), style, box.left, box.top,
                                box.right - box.left, box.bottom - box.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
    SendMessageA(made, WM_SETFONT, reinterpret_cast<WPARAM>(look.FontFor(control.look)), FALSE);
}

// The client area's size in pixels at the dots per inch.
SIZE ClientSize(int dotsPerInch)
{
    return SIZE{TwipsToPixels(kClientWidthTwips, dotsPerInch), TwipsToPixels(kClientHeightTwips, dotsPerInch)};
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : link_(instance, *this) {}

MainWindow::~MainWindow()
{
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance, int showCommand)
{
    std::unique_ptr<MainWindow> main(new MainWindow(instance));
    // Made at the main monitor's size; its controls are made at the size of the monitor it opens
    // on, and the frame follows where that differs.
    const int screenDotsPerInch = ScreenDotsPerInch();
    const SIZE frame = FrameSize(ClientSize(screenDotsPerInch), kFrameStyle, screenDotsPerInch);
    const std::string caption(kMainWindowCaption);
    const WindowOptions options{
        .className = "KorvaneMainWindow",
        .title = caption.c_str(),
        .style = kFrameStyle,
        .width = frame.cx,
        .height = frame.cy,
        .parent = nullptr,
        .x = CW_USEDEFAULT,
        .y = CW_USEDEFAULT,
        .icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KORVANE)),
        .cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),  // IDC_ARROW
        // The system colour of an active window's border.
        .background = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_ACTIVEBORDER + 1)),
    };
    if (CreateOwnedWindow(*main, instance, options) == nullptr) {
        return nullptr;
    }
    const int dotsPerInch = WindowDotsPerInch(main->window_);
    main->look_.Create(dotsPerInch);
    for (const ControlLayout& control : kMainWindowControls) {
        CreateControl(control, main->window_, instance, dotsPerInch, main->look_);
    }
    const SIZE client = ClientSize(dotsPerInch);
    if (dotsPerInch != screenDotsPerInch) {
        const SIZE laidOut = FrameSize(client, kFrameStyle, dotsPerInch);
        SetWindowPos(main->window_, nullptr, 0, 0, laidOut.cx, laidOut.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    MakeUpClientArea(main->window_, client);
    main->SetTimerEnabled(true);

    // The first activation puts the focus here, and so does every later one until the user moves it.
    main->focusedControl_ = main->Control(kLinkButton);
    ShowWindow(main->window_, showCommand);
    UpdateWindow(main->window_);
    SetFocus(main->focusedControl_);
    return main;
}

int MainWindow::RunMessageLoop()
{
    // Sleeps until a message comes or, while linked, the tracker's process ends; ends as soon as
    // the window is gone, so that no handler runs after Quit.
    while (window_ != nullptr) {
        if (wait_.Wait(link_.ServerProcess()) == MessageWait::Woke::Handle) {
            link_.OnServerProcessEnded();
            continue;
        }
        MSG message;
        while (window_ != nullptr && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return 0;
            }
            TakeMessage(message);
        }
    }
    return 0;
}

void MainWindow::TakeMessage(MSG& message)
{
    // Windows sends WM_DPICHANGED with a rectangle in this process; a posted one comes from
    // another program, its lParam pointing wherever that one chose, and is dropped.
    if (message.message == WM_DPICHANGED) {
        return;
    }
    // The link's DDE messages, as posted: the link tells them from the answers sent to it.
    if (link_.TakePostedMessage(message)) {
        return;
    }
    // The dialog manager moves the focus between the buttons with Tab.
    if (!IsDialogMessageA(window_, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        case WM_NCCREATE:
            window_ = window;
            break;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam));
            break;  // activated, the default puts the focus on the window, and WM_SETFOCUS passes it on
        case WM_SETFOCUS:
            OnSetFocus();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) {
                return 0;
            }
            if (turns_.Running()) {
                putOffMessages_.push_back(PutOffMessage{.message = message, .wParam = wParam, .lParam = lParam});
                return 0;
            }
            turns_.Run([&] { OnCommand(LOWORD(wParam)); });
            return 0;
        case WM_CLOSE:
            if (turns_.Running()) {  // coverage: close-put-off
                putOffMessages_.push_back(PutOffMessage{.message = message, .wParam = wParam, .lParam = lParam});
                return 0;
            }
            break;  // the default destroys the window
        case WM_TIMER:
            if (wParam == kWatchTimer && !turns_.Running()) {
                link_.CheckServer();  // a tracker gone unannounced is shown before the tick reads the mirror
                turns_.Run([&] { watcher_.Tick(*this, sound_); });
            }
            return 0;
        case kLinkEventPutOff:  // coverage: link-event-put-off
            turns_.RunWaiting();
            return 0;
        case WM_DPICHANGED:
            if (lParam != 0) {
                OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_NCDESTROY:
            window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void MainWindow::OnTurnEnded(bool linkEventsWait)
{
    // Posted only now, in the order they came, so that a loop of another's running inside the
    // handler (a window being dragged) cannot take them again and again.
    if (window_ == nullptr) {
        putOffMessages_.clear();  // the handler ended the program
        return;
    }
    if (linkEventsWait) {
        PostMessageA(window_, kLinkEventPutOff, 0, 0);
    }
    for (const PutOffMessage& putOff : putOffMessages_) {
        PostMessageA(window_, putOff.message, putOff.wParam, putOff.lParam);
    }
    putOffMessages_.clear();
}

void MainWindow::OnActivate(WORD state)
{
    // Deactivated, the window remembers which of its buttons had the focus.
    const HWND focus = GetFocus();
    if (state == WA_INACTIVE && focus != nullptr && IsChild(window_, focus)) {
        focusedControl_ = focus;
    }
}

void MainWindow::OnSetFocus()
{
    if (focusedControl_ != nullptr && IsChild(window_, focusedControl_)) {
        SetFocus(focusedControl_);
    }
}

void MainWindow::OnCommand(int controlId)
{
    if (controlId == kLinkButton) {
        korvane::OpenLink(*this);
    } else if (controlId == kQuitButton) {
        Quit(*this);
    }
}

void MainWindow::OnDpiChanged(int dotsPerInch, const RECT& suggested)
{
    // Moved onto a monitor of another scale: Windows suggests where the window goes and how large.
    LayOut(dotsPerInch);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::LayOut(int dotsPerInch)
{
    MainWindowLook look;
    look.Create(dotsPerInch);
    for (const ControlLayout& control : kMainWindowControls) {
        const RECT box = PixelBox(control, dotsPerInch);
        SetWindowPos(Control(control.id), nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(Control(control.id), WM_SETFONT, reinterpret_cast<WPARAM>(look.FontFor(control.look)), TRUE);
    }
    look_ = std::move(look);  // the earlier fonts are freed once no control uses them
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control)
{
    // Another program may name any window here: only this window's own labels are painted.
    const int id = IsChild(window_, control) ? GetDlgCtrlID(control) : 0;
    const auto* layout = std::ranges::find(kMainWindowControls, id, &ControlLayout::id);
    if (layout == kMainWindowControls.end()) {
        return DefWindowProcA(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control));
    }
    return reinterpret_cast<LRESULT>(look_.PaintLabel(layout->look, dc));
}

void MainWindow::OnDestroy()
{
    KillTimer(window_, kWatchTimer);
    PostQuitMessage(0);
}

std::string MainWindow::ReadMirror() const
{
    return mirror_;
}

void MainWindow::SetStatusText(const std::string& text)
{
    // A satellite's name runs as far as the tracker's item does; the one-line box shows its start.
    SetWindowTextA(Control(kStatusLine), WindowTextOf(text).c_str());
}

void MainWindow::RepaintStatusNow()
{
    RedrawWindow(Control(kStatusLine), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    LetPaintingReachTheScreen();
}

void MainWindow::SetTimerEnabled(bool enabled)
{
    if (enabled) {
        SetTimer(window_, kWatchTimer, kWatchIntervalMs, nullptr);  // a full new interval
    } else {
        KillTimer(window_, kWatchTimer);
    }
}

void MainWindow::WriteMirror(const std::string& text)
{
    mirror_ = text;
    SetWindowTextA(Control(kMirror), WindowTextOf(text).c_str());
}

bool MainWindow::OpenLink(std::string_view service, std::string_view topic, std::string_view item)
{
    // What the link reports while opening is part of this handler.
    linkCallRunning_ = true;
    const bool opened = link_.Open(std::string(service), std::string(topic), std::string(item));
    linkCallRunning_ = false;
    return opened;
}

void MainWindow::CloseLink()
{
    link_.Close();
}

void MainWindow::EndProgram()
{
    DestroyWindow(window_);
}

void MainWindow::OnLinkOpened()
{
    TakeLinkEvent(LinkEvent::Opened, {});
}

void MainWindow::OnLinkClosed()
{
    TakeLinkEvent(LinkEvent::Closed, {});
}

void MainWindow::OnLinkText(const std::string& text)
{
    TakeLinkEvent(LinkEvent::Text, text);
}

void MainWindow::TakeLinkEvent(LinkEvent event, const std::string& text)
{
    turns_.Notify(
        [this, event, text] {
            switch (event) {
                case LinkEvent::Opened:
                    korvane::OnLinkOpened(*this);
                    break;
                case LinkEvent::Closed:
                    korvane::OnLinkClosed(*this);
                    break;
                case LinkEvent::Text:
                    WriteMirror(text);
                    break;
            }
        },
        linkCallRunning_);
}

HWND MainWindow::Control(ControlId id) const
{
    return GetDlgItem(window_, id);
}

}  // namespace korvane::win32
