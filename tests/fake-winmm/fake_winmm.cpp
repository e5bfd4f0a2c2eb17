// A stand-in for winmm.dll used by the end-to-end tests. It plays nothing: each call of
// sndPlaySoundA appends one line to the log file named by KORVANE_FAKE_WINMM_LOG and, for a
// synchronous call, holds the caller for KORVANE_FAKE_WINMM_HOLD_MS milliseconds (default 150),
// as a real sound of that length would. Loading the library appends a line too, so the log
// shows when the program first reached for winmm.dll.
//
// Line formats (times in milliseconds of QueryPerformanceCounter, which every process on the
// machine shares):
//   attach <pid> <time> <path>          path: where this DLL was loaded from
//   exists <0|1> <path>                 whether GetFileAttributesA finds the path (before its play line)
//   play <flags> <start> <end> <path>
// In both paths every byte below 0x20 and "%" itself are written as "%" and two hex digits,
// so that a path with line breaks in it still takes one line; other bytes go as they are.
// Keeps mmsystem.h, which declares the real sndPlaySoundA as imported, out of the way.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double NowMs()
{
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string EnvOr(const char* name, const char* fallback)
{
    char buffer[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) {
        return fallback;
    }
    return std::string(buffer, length);
}

// One WriteFile per line on a handle opened for appending, so that lines never interleave.
void AppendLine(const std::string& line)
{
    const std::string path = EnvOr("KORVANE_FAKE_WINMM_LOG", "");
    if (path.empty()) {
        return;
    }
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string FormatMs(double ms)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", ms);
    return buffer;
}

DWORD HoldMs()
{
    const std::string text = EnvOr("KORVANE_FAKE_WINMM_HOLD_MS", "150");
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
}

constexpr UINT kSndAsync = 0x0001;

std::string Escaped(const char* path)
{
    if (path == nullptr) {
        return "(null)";
    }
    std::string text;
    for (const char* p = path; *p != '\0'; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte < 0x20 || byte == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            text += hex;
        } else {
            text.push_back(*p);
        }
    }
    return text;
}

bool Exists(const char* path)
{
    return path != nullptr && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

extern "C" BOOL WINAPI sndPlaySoundA(LPCSTR path, UINT flags)
{
    const double start = NowMs();
    const std::string escaped = Escaped(path);
    AppendLine("exists " + std::string(Exists(path) ? "1 " : "0 ") + escaped);
    if ((flags & kSndAsync) == 0) {
        Sleep(HoldMs());
    }
    const double end = NowMs();
    AppendLine("play " + std::to_string(flags) + " " + FormatMs(start) + " " + FormatMs(end) + " " + escaped);
    return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH * 2] = "";
        GetModuleFileNameA(self, path, sizeof path);
        AppendLine("attach " + std::to_string(GetCurrentProcessId()) + " " + FormatMs(NowMs()) + " " + Escaped(path));
    }
    return TRUE;
}
