#include "windows/ansi_code_page.h"

#include <windows.h>

#include "watch/characters.h"

namespace korvane::win32 {

std::size_t AnsiCharacterLength(std::string_view text)
{
    // The ANSI code page is the system's for the whole life of the process.
    static const UINT codePage = GetACP();
    if (codePage == CP_UTF8) {
        return Utf8CharacterLength(text);
    }
    const bool lead = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text.front())) != FALSE;
    return lead && text.size() >= 2 ? 2 : 1;
}

}  // namespace korvane::win32
