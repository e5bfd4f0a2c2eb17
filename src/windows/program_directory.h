#pragma once

#include <string>

namespace korvane::win32 {

// The directory that holds the running executable, without a trailing backslash, as
// 8-bit text in the system's ANSI code page. When the directory cannot be written in
// that code page, its short (8.3) form is used, so files in it can still be opened.
std::string ProgramDirectoryAnsi();

}  // namespace korvane::win32
