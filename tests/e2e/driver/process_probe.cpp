#include "process_probe.h"

#include <psapi.h>

#include "machine_clock.h"

namespace korvane::e2e {

std::optional<ProcessUse> UseOf(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        return std::nullopt;
    }
    ProcessUse use;
    use.pagefileBytes = counters.PagefileUsage;
    use.workingSetBytes = counters.WorkingSetSize;
    GetProcessHandleCount(process, &use.handles);
    use.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    use.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    return use;
}

std::optional<double> PingMs(HWND window, UINT timeoutMs)
{
    const double start = MachineNowMs();
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) == 0) {
        return std::nullopt;
    }
    return MachineNowMs() - start;
}

}  // namespace korvane::e2e
