#include "windows/server_life_watch.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace korvane::win32 {
namespace {

// The watch behind each hook of this thread: a WinEvent callback is told only its hook.
std::vector<std::pair<HWINEVENTHOOK, ServerLifeWatch*>>& Watches()
{
    static std::vector<std::pair<HWINEVENTHOOK, ServerLifeWatch*>> watches;
    return watches;
}

void Forget(HWINEVENTHOOK hook)
{
    std::erase_if(Watches(), [hook](const auto& entry) { return entry.first == hook; });
}

}  // namespace

ServerLifeWatch::ServerLifeWatch(std::function<void(HWND destroyed)> windowDestroyed)
    : windowDestroyed_(std::move(windowDestroyed))
{
}

ServerLifeWatch::~ServerLifeWatch()
{
    Stop();
}

void ServerLifeWatch::Watch(HWND server)
{
    Stop();
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(server, &processId);
    if (threadId == 0) {
        return;
    }
    process_.Reset(OpenProcess(SYNCHRONIZE, FALSE, processId));
    // Only the destruction of the server thread's windows, told from outside its process.
    hook_.Reset(SetWinEventHook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_DESTROY, nullptr, &ServerLifeWatch::OnWinEvent,
                                processId, threadId, WINEVENT_OUTOFCONTEXT));
    if (hook_) {
        Watches().emplace_back(hook_.Get(), this);
    }
}

void ServerLifeWatch::Stop()
{
    if (hook_) {
        Forget(hook_.Get());
        hook_.Reset();
    }
    process_.Reset();
}

void CALLBACK ServerLifeWatch::OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                          DWORD /*thread*/, DWORD /*time*/)
{
    const auto& watches = Watches();
    const auto found = std::ranges::find(watches, hook, &std::pair<HWINEVENTHOOK, ServerLifeWatch*>::first);
    // The window itself, not an object inside it (a list's item, a control's part).
    if (found != watches.end() && event == EVENT_OBJECT_DESTROY && object == OBJID_WINDOW && child == CHILDID_SELF) {
        found->second->windowDestroyed_(window);
    }
}

}  // namespace korvane::win32
