#include "windows/program_directory.h"

#include <windows.h>

#include <algorithm>
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
    // With UTF-8 as the ANSI code page ("Unicode UTF-8 for worldwide language support") every
    // character has its bytes, and the call refuses both the best-fit flag and the used-default
    // pointer; only a broken UTF-16 sequence fails.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const used = utf8 ? nullptr : &usedDefault;
    const int wideLength = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, flags, text.data(), wideLength, nullptr, 0, nullptr, used);
    if (size <= 0) {
        lossless = false;
        return {};
    }
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), wideLength, ansi.data(), size, nullptr, used);
    lossless = usedDefault == FALSE;
    return ansi;
}

}  // namespace

ProgramDirectoryNames FindProgramDirectory()
{
    ProgramDirectoryNames directory{.ansi = {}, .wide = ModuleFileName()};
    const std::size_t lastBackslash = directory.wide.find_last_of(L'\\');
    directory.wide.resize(lastBackslash == std::wstring::npos ? 0 : lastBackslash);

    directory.ansi = ToAnsi(directory.wide, directory.exact);
    if (!directory.exact) {
        std::string shortForm = ToAnsi(ShortPathName(directory.wide), directory.exact);
        if (directory.exact) {
            directory.ansi = std::move(shortForm);
        }
    }
    return directory;
}

ShortPathNames ShortPathOf(const std::wstring& path)
{
    ShortPathNames names{.wide = ShortPathName(path), .ansi = {}};
    bool lossless = false;
    names.ansi = ToAnsi(names.wide, lossless);
    if (!lossless) {
        names.ansi.clear();
    }
    return names;
}

std::wstring WideFromAnsi(const std::string& text)
{
    const int length = static_cast<int>(text.size());
    const int size = length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
    }
    return wide;
}

}  // namespace korvane::win32
