#include "process_metrics.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

namespace korvane::bench {
namespace {

// The layout of one entry of the per-process GDI handle table whose address the PEB holds
// (the same layout on Windows and Wine, 64-bit).
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint8_t extType;
    std::uint8_t generation;
    std::uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kPebGdiTableOffset = 0xF8;  // PEB.GdiSharedHandleTable, 64-bit

struct SystemHandleEntry {
    ULONG processId;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleInformation {
    ULONG count;
    SystemHandleEntry entries[1];
};
constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryInformationProcess = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

template <typename Function>
Function NtdllFunction(const char* name)
{
    FARPROC address = GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
    Function function = nullptr;
    static_assert(sizeof function == sizeof address);
    std::memcpy(&function, &address, sizeof function);
    return function;
}

std::int64_t HandlesFromSystemTable(DWORD processId)
{
    static const auto query = NtdllFunction<QuerySystemInformation>("NtQuerySystemInformation");
    if (query == nullptr) {
        return -1;
    }
    static std::vector<unsigned char> buffer(1 << 20);
    NTSTATUS status = 0;
    ULONG needed = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) {
        return -1;
    }
    SystemHandleInformation header{};
    std::memcpy(&header.count, buffer.data(), sizeof header.count);
    const size_t first = offsetof(SystemHandleInformation, entries);
    std::int64_t count = 0;
    for (ULONG i = 0; i < header.count; ++i) {
        SystemHandleEntry entry{};
        std::memcpy(&entry, buffer.data() + first + i * sizeof(SystemHandleEntry), sizeof entry);
        if (entry.processId == processId) {
            ++count;
        }
    }
    return count;
}

std::int64_t GdiFromHandleTable(HANDLE process)
{
    static const auto query = NtdllFunction<QueryInformationProcess>("NtQueryInformationProcess");
    if (query == nullptr) {
        return -1;
    }
    PROCESS_BASIC_INFORMATION basic{};
    if (query(process, 0 /* ProcessBasicInformation */, &basic, sizeof basic, nullptr) != 0 ||
        basic.PebBaseAddress == nullptr) {
        return -1;
    }
    std::uint64_t tableAddress = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const unsigned char*>(basic.PebBaseAddress) + kPebGdiTableOffset,
                           &tableAddress, sizeof tableAddress, &read) ||
        tableAddress == 0) {
        return -1;
    }
    static std::vector<GdiHandleEntry> table(kGdiTableEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(tableAddress)),
                           table.data(), table.size() * sizeof(GdiHandleEntry), &read)) {
        return -1;
    }
    // A freed entry keeps its type; its object field is 0 or points into the table (free list).
    const std::uint64_t tableEnd = tableAddress + kGdiTableEntries * sizeof(GdiHandleEntry);
    std::int64_t count = 0;
    for (const auto& entry : table) {
        if (entry.type != 0 && entry.object != 0 && !(entry.object >= tableAddress && entry.object < tableEnd)) {
            ++count;
        }
    }
    return count;
}

struct WindowCount {
    DWORD processId;
    std::int64_t count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param)
{
    auto* request = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->processId) {
        ++request->count;
    }
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param)
{
    CountChild(window, param);
    EnumChildWindows(window, CountChild, param);  // every descendant
    return TRUE;
}

std::int64_t WindowsOwnedBy(DWORD processId)
{
    WindowCount request{processId, 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&request));
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
         window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTopLevel(window, reinterpret_cast<LPARAM>(&request));
    }
    return request.count;
}

double Seconds(const FILETIME& time)
{
    ULARGE_INTEGER value{};
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;
}

}  // namespace

namespace {

std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    return text;
}

template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit)
{
    WIN32_FIND_DATAA entry{};
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = entry.cFileName;
        if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
            visit(name);
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

// Other Wine sessions on the machine may run a program from a folder of the same name (Windows
// process ids repeat from one wineserver to the next): a Linux process counts only if it runs
// in this process's Wine prefix.
bool InThisPrefix(const std::string& environment)
{
    char prefix[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (length == 0 || length >= sizeof prefix) {
        return true;  // not told: take the command line alone
    }
    const std::string wanted = std::string("WINEPREFIX=") + prefix;
    for (size_t start = 0; start < environment.size();) {
        const size_t end = std::min(environment.find('\0', start), environment.size());
        if (environment.compare(start, end - start, wanted) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

LinuxSchedule LinuxScheduling(const std::string& commandLineFragment)
{
    const std::string proc = "Z:\\proc";
    std::string found;
    ForEachEntry(proc, [&](const std::string& pid) {
        if (found.empty()) {
            std::string commandLine = ReadWholeFile(proc + "\\" + pid + "\\cmdline");
            for (char& c : commandLine) {
                if (c == '\0') {
                    c = ' ';
                }
            }
            if (commandLine.find(commandLineFragment) != std::string::npos &&
                InThisPrefix(ReadWholeFile(proc + "\\" + pid + "\\environ"))) {
                found = pid;
            }
        }
    });
    if (found.empty()) {
        return {};
    }
    LinuxSchedule total{0, 0};
    bool any = false;
    ForEachEntry(proc + "\\" + found + "\\task", [&](const std::string& task) {
        // On the CPU (ns), waiting to run (ns), times run.
        std::istringstream fields(ReadWholeFile(proc + "\\" + found + "\\task\\" + task + "\\schedstat"));
        long long onCpu = 0;
        long long waited = 0;
        long long runs = 0;
        if (fields >> onCpu >> waited >> runs) {
            total.cpuNanoseconds += onCpu;
            total.timesRun += runs;
            any = true;
        }
    });
    return any ? total : LinuxSchedule{};
}

double CpuSeconds(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return -1;
    }
    return Seconds(kernel) + Seconds(user);
}

ProcessSample SampleProcess(HANDLE process, DWORD processId, MetricSources* sources)
{
    ProcessSample sample;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        sample.workingSet = memory.WorkingSetSize;
        sample.peakWorkingSet = memory.PeakWorkingSetSize;
        sample.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
        if (sources != nullptr) {
            sources->privateBytes =
                memory.PrivateUsage != 0 ? "PrivateUsage" : "PagefileUsage (PrivateUsage is 0 here)";
        }
    }

    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    if (gdi != 0 || user != 0) {
        sample.gdiObjects = gdi;
        sample.userObjects = user;
        if (sources != nullptr) {
            sources->gdi = sources->user = "GetGuiResources";
        }
    } else {
        sample.gdiObjects = GdiFromHandleTable(process);
        sample.userObjects = WindowsOwnedBy(processId);
        if (sources != nullptr) {
            sources->gdi = "live entries of the process's GDI handle table (GetGuiResources gives 0 here)";
            sources->user = "windows owned by the process (GetGuiResources gives 0 here)";
        }
    }

    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles) && handles != 0) {
        sample.handles = handles;
        if (sources != nullptr) {
            sources->handles = "GetProcessHandleCount";
        }
    } else {
        sample.handles = HandlesFromSystemTable(processId);
        if (sources != nullptr) {
            sources->handles = "system handle table entries of the process (GetProcessHandleCount gives 0 here)";
        }
    }
    sample.cpuS = CpuSeconds(process);
    return sample;
}

bool CheckMetricsOnSelf()
{
    HANDLE self = GetCurrentProcess();
    const DWORD id = GetCurrentProcessId();
    MetricSources sources;
    SampleProcess(self, id, &sources);  // the first look may set things up in this process
    const ProcessSample before = SampleProcess(self, id);

    constexpr int kEach = 10;
    std::vector<HBRUSH> brushes;
    std::vector<HANDLE> events;
    for (int i = 0; i < kEach; ++i) {
        brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
        events.push_back(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    }
    const ProcessSample during = SampleProcess(self, id);
    for (size_t i = 0; i < brushes.size(); ++i) {
        DeleteObject(brushes[i]);
        CloseHandle(events[i]);
    }
    const ProcessSample after = SampleProcess(self, id);
    // Windows separately: destroyed windows may leave their device contexts in a cache.
    std::vector<HWND> windows;
    for (int i = 0; i < kEach; ++i) {
        windows.push_back(CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    }
    const ProcessSample withWindows = SampleProcess(self, id);
    for (HWND window : windows) {
        DestroyWindow(window);
    }
    const ProcessSample withoutWindows = SampleProcess(self, id);

    std::printf(
        "counter check on this process: %d brushes and %d events made, then freed; %d windows made, then "
        "destroyed\n",
        kEach, kEach, kEach);
    std::printf("  GDI objects  %lld -> %lld -> %lld   (%s)\n", static_cast<long long>(before.gdiObjects),
                static_cast<long long>(during.gdiObjects), static_cast<long long>(after.gdiObjects),
                sources.gdi.c_str());
    std::printf("  handles      %lld -> %lld -> %lld   (%s)\n", static_cast<long long>(before.handles),
                static_cast<long long>(during.handles), static_cast<long long>(after.handles), sources.handles.c_str());
    std::printf("  USER objects %lld -> %lld -> %lld   (%s)\n", static_cast<long long>(after.userObjects),
                static_cast<long long>(withWindows.userObjects), static_cast<long long>(withoutWindows.userObjects),
                sources.user.c_str());
    std::printf("  private bytes from %s\n", sources.privateBytes.c_str());
    const bool gdiOk = during.gdiObjects - before.gdiObjects == kEach && after.gdiObjects == before.gdiObjects;
    const bool handlesOk = during.handles - before.handles == kEach && after.handles == before.handles;
    const bool userOk =
        withWindows.userObjects - after.userObjects >= kEach && withoutWindows.userObjects <= after.userObjects + 1;
    std::printf("  counters follow: GDI %s, USER %s, handles %s\n", gdiOk ? "yes" : "NO", userOk ? "yes" : "NO",
                handlesOk ? "yes" : "NO");
    return gdiOk && userOk && handlesOk;
}

}  // namespace korvane::bench
