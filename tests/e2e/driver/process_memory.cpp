#include "process_memory.h"

#include <winternl.h>

#include <cstdint>
#include <vector>

namespace korvane::e2e {
namespace {

// One entry of the GDI handle table, as Wine lays it out for 32- and 64-bit processes alike.
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint8_t extendedType;  // bit 7: a stock object
    std::uint8_t generation;
    std::uint8_t type;  // 0: a free entry
    std::uint8_t flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr size_t kGdiHandleCount = 0x10000;
#ifdef _WIN64
constexpr size_t kPebGdiSharedHandleTable = 0xF8;
#else
constexpr size_t kPebGdiSharedHandleTable = 0x94;
#endif

template <typename T>
bool ReadRemote(HANDLE process, std::uintptr_t address, T* into, size_t count = 1)
{
    SIZE_T read = 0;
    return ReadProcessMemory(process, reinterpret_cast<const void*>(address), into, sizeof(T) * count, &read) &&
           read == sizeof(T) * count;
}

}  // namespace

bool SendDpiChanged(HANDLE process, HWND window, int dotsPerInch, const RECT& suggested)
{
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr) {
        return false;
    }
    DWORD_PTR ignored = 0;
    const WORD dpi = static_cast<WORD>(dotsPerInch);
    const bool answered = WriteProcessMemory(process, remote, &suggested, sizeof(RECT), nullptr) &&
                          SendMessageTimeoutA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                              reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 10000, &ignored) != 0;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return answered;
}

std::optional<size_t> GdiObjectsOf(HANDLE process)
{
    using QueryInformation = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return std::nullopt;
    }
    std::uintptr_t table = 0;
    if (!ReadRemote(process, reinterpret_cast<std::uintptr_t>(basic.PebBaseAddress) + kPebGdiSharedHandleTable,
                    &table) ||
        table == 0) {
        return std::nullopt;
    }
    std::vector<GdiHandleEntry> entries(kGdiHandleCount);
    if (!ReadRemote(process, table, entries.data(), entries.size())) {
        return std::nullopt;
    }
    size_t live = 0;
    for (const GdiHandleEntry& entry : entries) {
        live += entry.type != 0 && (entry.extendedType & 0x80) == 0 ? 1 : 0;
    }
    return live;
}

}  // namespace korvane::e2e
