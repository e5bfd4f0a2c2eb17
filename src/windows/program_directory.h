#pragma once

#include <string>

namespace korvane::win32 {

// The directory that holds the running executable, without a trailing backslash.
struct ProgramDirectoryNames {
    // As 8-bit text in the system's ANSI code page (UTF-8 where that is the code page). When
    // the directory cannot be written in that code page, its short (8.3) form.
    std::string ansi;
    std::wstring wide;  // as the system names it
    bool exact = true;  // false: neither form fits the code page, and ansi does not lead there
};

ProgramDirectoryNames FindProgramDirectory();

// An existing path in its short (8.3) form, as the system names it and in the ANSI code page
// (empty where that cannot write it). Where the path does not exist, or its volume keeps no short
// names, it comes back as it was.
struct ShortPathNames {
    std::wstring wide;
    std::string ansi;
};
ShortPathNames ShortPathOf(const std::wstring& path);

// Text in the ANSI code page, in UTF-16.
std::wstring WideFromAnsi(const std::string& text);

}  // namespace korvane::win32
