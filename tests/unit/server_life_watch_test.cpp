// The watch on a tracker's windows, run where Wine lets it run: on a window of another thread of
// this process, whose destruction is raised as Windows raises it (NotifyWinEvent).
#include "server_life_watch.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <vector>

namespace korvane::win32 {
namespace {

constexpr UINT kRaiseDestroy = WM_APP + 1;  // wParam: the event's child id

LRESULT CALLBACK TrackerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRaiseDestroy) {
        NotifyWinEvent(EVENT_OBJECT_DESTROY, window, OBJID_WINDOW, static_cast<LONG>(wParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window on a thread of its own, as a tracker's conversation window is on the tracker's thread.
class TrackerThread {
public:
    TrackerThread()
    {
        HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, made] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = &TrackerWindowProc;
            windowClass.lpszClassName = "KorvaneTestTrackerWindow";
            RegisterClassA(&windowClass);
            window_ = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                      nullptr);
            threadId_ = GetCurrentThreadId();
            SetEvent(made);
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                DispatchMessageA(&message);
            }
            DestroyWindow(window_);
        });
        WaitForSingleObject(made, 5000);
        CloseHandle(made);
    }
    ~TrackerThread()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    TrackerThread(const TrackerThread&) = delete;
    TrackerThread& operator=(const TrackerThread&) = delete;

    HWND Window() const { return window_; }
    void RaiseDestroy(LONG child) const { SendMessageA(window_, kRaiseDestroy, static_cast<WPARAM>(child), 0); }

private:
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

// Takes this thread's messages for a while: the watch is told its events meanwhile.
void TakeMessagesFor(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
    }
}

TEST(ServerLifeWatch, TellsTheDestructionOfTheServersWindowAndNotOfAnObjectInsideIt)
{
    TrackerThread tracker;
    ASSERT_NE(tracker.Window(), nullptr);
    std::vector<HWND> destroyed;
    ServerLifeWatch watch([&](HWND window) { destroyed.push_back(window); });
    watch.Watch(tracker.Window());
    ASSERT_NE(watch.Process(), nullptr);

    tracker.RaiseDestroy(1);  // a child object of the window, not the window
    TakeMessagesFor(300);
    EXPECT_TRUE(destroyed.empty()) << "a child object's end was taken for the window's";

    tracker.RaiseDestroy(CHILDID_SELF);
    TakeMessagesFor(300);
    EXPECT_EQ(destroyed, std::vector<HWND>{tracker.Window()});

    watch.Stop();
    tracker.RaiseDestroy(CHILDID_SELF);
    TakeMessagesFor(300);
    EXPECT_EQ(destroyed.size(), 1u) << "told after it was stopped";
}

}  // namespace
}  // namespace korvane::win32
