#include "wide_text.h"

#include <windows.h>

namespace korvane::e2e {
namespace {

std::string Narrow(const std::wstring& wide, UINT codePage)
{
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                            nullptr);
    }
    return text;
}

}  // namespace

std::wstring Wide(const std::string& ansi)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    }
    return wide;
}

std::string Ansi(const std::wstring& wide)
{
    return Narrow(wide, CP_ACP);
}

std::string Utf8(const std::wstring& wide)
{
    return Narrow(wide, CP_UTF8);
}

}  // namespace korvane::e2e
