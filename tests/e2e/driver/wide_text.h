#pragma once

#include <string>

namespace korvane::e2e {

// Conversions between the program's ANSI strings, UTF-8 and Windows' UTF-16.
std::wstring Wide(const std::string& ansi);  // from the ANSI code page
std::string Ansi(const std::wstring& wide);  // to the ANSI code page
std::string Utf8(const std::wstring& wide);

}  // namespace korvane::e2e
