#include "windows/form1_window.h"

#include "link/link_topic.h"
#include "link/tracker_link.h"
#include "watch/pass_watcher.h"
#include "windows/resource_ids.h"

namespace korvane::win32 {
namespace {

constexpr char kWindowClass[] = "KorvaneForm1";
constexpr UINT_PTR kTimer1 = 1;
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// The most a control's window text holds. Any other process may ask for it (WM_GETTEXTLENGTH,
// WM_GETTEXT), and Wine 10 ends a process whose window text of a megabyte is asked for from
// outside. A real tracker item is under a hundred bytes; the mirror itself keeps every byte.
constexpr size_t kWindowTextMaxBytes = 8192;

// The text as a control's window text holds it: cut to kWindowTextMaxBytes at a character
// boundary of the ANSI code page.
std::string WindowTextOf(const std::string& text)
{
    if (text.size() <= kWindowTextMaxBytes) {
        return text;
    }
    size_t end = 0;  // the last character boundary within the bound
    for (size_t next = 0; next <= kWindowTextMaxBytes;) {
        end = next;
        next += IsDBCSLeadByte(static_cast<BYTE>(text[next])) ? 2U : 1U;
    }
    return text.substr(0, end);
}

const ControlLayout* FindControl(int id)
{
    for (const ControlLayout& control : kForm1Controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KORVANE));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    // The background is the system colour of an active window's border.
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_ACTIVEBORDER + 1));
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExA(&windowClass) != 0;
}

HWND CreateControl(const ControlLayout& control, HWND parent, HINSTANCE instance, int dotsPerInch)
{
    const bool button = control.kind == ControlKind::PushButton;
    DWORD style = WS_CHILD | (control.visible ? WS_VISIBLE : 0U);
    // Labels wrap at word boundaries in a fixed box and never read "&" as an access key.
    style |= button ? static_cast<DWORD>(WS_TABSTOP | BS_PUSHBUTTON) : static_cast<DWORD>(SS_LEFT | SS_NOPREFIX);
    const std::string text(control.text);
    return CreateWindowExA(0, button ? "BUTTON" : "STATIC", text.c_str(), style,
                           TwipsToPixels(control.box.left, dotsPerInch), TwipsToPixels(control.box.top, dotsPerInch),
                           TwipsToPixels(control.box.width, dotsPerInch),
                           TwipsToPixels(control.box.height, dotsPerInch), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
}

}  // namespace

Form1::Form1(HINSTANCE instance) : link_(instance, *this) {}

Form1::~Form1()
{
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

std::unique_ptr<Form1> Form1::Create(HINSTANCE instance, int showCommand)
{
    if (!RegisterWindowClass(instance, &Form1::WindowProc)) {
        return nullptr;
    }
    std::unique_ptr<Form1> form(new Form1(instance));
    const int dotsPerInch = ScreenDotsPerInch();
    form->look_.Create(dotsPerInch);

    RECT frame{0, 0, TwipsToPixels(kForm1ClientWidthTwips, dotsPerInch),
               TwipsToPixels(kForm1ClientHeightTwips, dotsPerInch)};
    AdjustWindowRectEx(&frame, kFrameStyle, FALSE, 0);
    const std::string caption(kForm1Caption);
    CreateWindowExA(0, kWindowClass, caption.c_str(), kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, form.get());
    if (form->window_ == nullptr) {
        return nullptr;
    }
    for (const ControlLayout& control : kForm1Controls) {
        HWND child = CreateControl(control, form->window_, instance, dotsPerInch);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(form->look_.FontFor(control.look)), FALSE);
    }
    form->SetTimerEnabled(true);

    OnLoad();
    ShowWindow(form->window_, showCommand);
    UpdateWindow(form->window_);
    SetFocus(form->Control(kCmdOpen));
    return form;
}

int Form1::RunMessageLoop()
{
    MSG message;
    // Ends as soon as the window is gone, so that no handler runs after Quit.
    while (window_ != nullptr && GetMessageA(&message, nullptr, 0, 0) > 0) {
        // The dialog manager moves the focus between the buttons with Tab.
        if (!IsDialogMessageA(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            OnCommand(LOWORD(wParam));
        }
        return 0;
    case WM_TIMER:
        if (wParam == kTimer1) {
            OnTimer();
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return DefWindowProcA(window_, message, wParam, lParam);
    }
}

void Form1::OnCommand(int controlId)
{
    if (controlId == kCmdOpen) {
        OpenLink(*this);
    } else if (controlId == kCmdEnd) {
        Quit(*this);
    }
}

void Form1::OnTimer()
{
    Tick(*this, sound_);
}

LRESULT Form1::OnCtlColorStatic(HDC dc, HWND control)
{
    const ControlLayout* layout = FindControl(GetDlgCtrlID(control));
    if (layout == nullptr) {
        return DefWindowProcA(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control));
    }
    return reinterpret_cast<LRESULT>(look_.PaintLabel(layout->look, dc));
}

void Form1::OnDestroy()
{
    KillTimer(window_, kTimer1);
    PostQuitMessage(0);
}

std::string Form1::ReadMirror() const
{
    return mirror_;
}

void Form1::SetStatusText(const std::string& text)
{
    // A satellite's name runs as far as the tracker's item does; the one-line box shows its start.
    SetWindowTextA(Control(kLabel3), WindowTextOf(text).c_str());
}

void Form1::RepaintStatusNow()
{
    RedrawWindow(Control(kLabel3), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    // Under Wine the painting reaches the screen only once the thread looks at its queue;
    // a look that takes nothing lets it through before the announcement holds the thread.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
}

void Form1::SetTimerEnabled(bool enabled)
{
    if (enabled) {
        SetTimer(window_, kTimer1, kTimer1IntervalMs, nullptr);  // a full new interval
    } else {
        KillTimer(window_, kTimer1);
    }
}

void Form1::WriteMirror(const std::string& text)
{
    mirror_ = text;
    SetWindowTextA(Control(kLabel1), WindowTextOf(text).c_str());
}

bool Form1::SetLinkTopic(const std::string& topic)
{
    linkTopic_ = topic;
    return true;
}

bool Form1::SetLinkItem(const std::string& item)
{
    linkItem_ = item;
    return true;
}

bool Form1::SetLinkMode(LinkMode mode)
{
    if (mode == LinkMode::None) {
        link_.Close();
        return true;
    }
    const std::optional<LinkTopic> topic = ParseLinkTopic(linkTopic_);
    return topic.has_value() && !linkItem_.empty() && link_.Open(topic->service, topic->topic, linkItem_);
}

void Form1::EndProgram()
{
    DestroyWindow(window_);
}

void Form1::OnLinkOpened(bool& refuse)
{
    korvane::OnLinkOpened(*this, refuse);
}

void Form1::OnLinkClosed()
{
    korvane::OnLinkClosed(*this);
}

void Form1::OnLinkText(const std::string& text)
{
    WriteMirror(text);
}

HWND Form1::Control(ControlId id) const
{
    return GetDlgItem(window_, id);
}

}  // namespace korvane::win32
