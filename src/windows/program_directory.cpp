#include "windows/program_directory.h"

#include <windows.h>

#include <string>

namespace korvane::win32 {
namespace {

std::wstring ModuleFileName()
{
    // Long paths may exceed MAX_PATH: grow the buffer until the name fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ShortPathName(const std::wstring& path)
{
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) {
        return path;
    }
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) {
        return path;
    }
    shortPath.resize(length);
    return shortPath;
}

// Converts to the ANSI code page; lossless tells whether every character had its own byte form.
std::string ToAnsi(const std::wstring& text, bool& lossless)
{
    lossless = true;
    if (text.empty()) {
        return {};
    }
    const int wideLength = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), wideLength, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0) {
        lossless = false;
        return {};
    }
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), wideLength, ansi.data(), size, nullptr,
                        &usedDefault);
    lossless = usedDefault == FALSE;
    return ansi;
}

}  // namespace

std::string ProgramDirectoryAnsi()
{
    std::wstring directory = ModuleFileName();
    const std::size_t lastBackslash = directory.find_last_of(L'\\');
    directory.resize(lastBackslash == std::wstring::npos ? 0 : lastBackslash);

    bool lossless = true;
    std::string ansi = ToAnsi(directory, lossless);
    if (!lossless) {
        const std::string shortForm = ToAnsi(ShortPathName(directory), lossless);
        if (lossless) {
            ansi = shortForm;
        }
    }
    return ansi;
}

}  // namespace korvane::win32
