#include "process_memory.h"

#include <winternl.h>

#include <cstddef>
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
// A 32-bit program under Wine also has a 64-bit PEB, and Wine keeps the table's address only in
// that one's field. The 32-bit TEB's GdiBatchCount holds the 64-bit TEB, whose Peb field is at 0x60.
constexpr size_t kTebGdiBatchCount = 0xF70;
constexpr size_t kTeb64Peb = 0x60;
constexpr size_t kPeb64GdiSharedHandleTable = 0xF8;
#endif

template <typename T>
bool ReadRemote(HANDLE process, std::uintptr_t address, T* into, size_t count = 1)
{
    SIZE_T read = 0;
    return ReadProcessMemory(process, reinterpret_cast<const void*>(address), into, sizeof(T) * count, &read) &&
           read == sizeof(T) * count;
}

// The PEB's address, as Windows (or Wine) reports it for the process.
std::optional<std::uintptr_t> PebOf(HANDLE process)
{
    using QueryInformation = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return std::nullopt;
    }
    return reinterpret_cast<std::uintptr_t>(basic.PebBaseAddress);
}

// Where the table's address lies, counted from the reported PEB (modulo the address size): found
// in this process, which is built as the process it reads (the same Windows or Wine, the same
// bitness), so that the other's has the field at the same place. The field is pointer-sized in a
// native PEB and 64-bit in Wine's 64-bit PEB of a 32-bit program; either way the address lies in
// its low bytes, which are read.
std::optional<std::uintptr_t> TableFieldFromPeb()
{
    const HANDLE self = GetCurrentProcess();
    const std::optional<std::uintptr_t> peb = PebOf(self);
    std::uintptr_t table = 0;
    if (!peb.has_value()) {
        return std::nullopt;
    }
    if (ReadRemote(self, *peb + kPebGdiSharedHandleTable, &table) && table != 0) {
        return kPebGdiSharedHandleTable;
    }
#ifndef _WIN64
    // This thread's TEB, as ThreadBasicInformation (0) gives it: THREAD_BASIC_INFORMATION's exit
    // status, TEB, client id (two words), affinity and two priorities, 28 bytes in a 32-bit program.
    struct {
        NTSTATUS exitStatus;
        std::uintptr_t teb;
        std::uintptr_t clientIdAffinityAndPriorities[5];
    } thread{};
    static_assert(sizeof(thread) == 28);
    using QueryThread = NTSTATUS(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const auto queryThread = reinterpret_cast<QueryThread>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    std::uint32_t teb64 = 0;
    std::uint64_t peb64 = 0;
    if (queryThread != nullptr && queryThread(GetCurrentThread(), 0, &thread, sizeof thread, nullptr) == 0 &&
        ReadRemote(self, thread.teb + kTebGdiBatchCount, &teb64) && teb64 != 0 &&
        ReadRemote(self, teb64 + kTeb64Peb, &peb64) && peb64 != 0) {
        const auto field = static_cast<std::uintptr_t>(peb64) + kPeb64GdiSharedHandleTable;
        if (ReadRemote(self, field, &table) && table != 0) {
            return field - *peb;
        }
    }
#endif
    return std::nullopt;
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
    static const std::optional<std::uintptr_t> field = TableFieldFromPeb();
    const std::optional<std::uintptr_t> peb = PebOf(process);
    std::uintptr_t table = 0;
    if (!field.has_value() || !peb.has_value() || !ReadRemote(process, *peb + *field, &table) || table == 0) {
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
