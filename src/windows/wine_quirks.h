#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

// Where Wine behaves otherwise than Windows, and what Korvane does about it. Each entry says what
// Wine does, the versions seen doing it, and Korvane's answer; on Windows none of them changes
// what Korvane does.
//
// - DDEML, Wine 8.0 and 10.0: a client is never told XTYP_DISCONNECT, and a server cannot end a
//   conversation. Korvane speaks DDE at the message level (dde_client_link.cpp), where both work
//   alike on Windows and Wine, and also notices a tracker whose window is gone.
// - WinEvents, Wine 8.0 and 10.0: a hook on another process's thread is refused, and one on its
//   process is told nothing when its windows are destroyed. A tracker that destroys its
//   conversation window without a terminate while its process goes on is then noticed at the
//   next watch tick, which comes anyway (DdeClientLink::CheckServer); on Windows at once.
// - Everything else is below, one function or table an entry.
namespace korvane::win32 {

inline bool RunningUnderWine()
{
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

// DDE data blocks, Wine 8.0 and 10.0: a block posted to another process travels as a copy that
// Wine makes in the receiver's process, and Wine frees neither side's block for the other, whatever
// fRelease says. So under Wine each side frees its own block; on Windows the block is shared and
// fRelease alone decides who frees it. True when the block from or to window is such a copy.
inline bool IsWineCopyAcrossProcesses(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return RunningUnderWine() && process != 0 && process != GetCurrentProcessId();
}

// Face names, Wine 8.0 on Debian 12: Wine lacks "MS Shell Dlg" and "MS Sans Serif" and draws them
// with DejaVu Sans, wider than Windows' faces, so the labels' texts overflow their boxes. Wine 10.0
// draws "MS Shell Dlg" in a face too wide for the labels, and its own "MS Sans Serif" only at fixed
// sizes (at 192 dots per inch, two thirds of the height asked for). Where a label's text does not
// fit, or the face asked for is not drawn at its height, Korvane takes the first of these that Wine
// really draws, at that height, and in which every text fits (main_window_look.cpp). Where the host
// has Liberation Sans (fonts-liberation, which comes with a browser), Wine 8.0 and 10.0 draw every
// missing face with it, and at the status row's 11 pixels its bold keeps the regular strokes: the
// status row's face must also be seen drawn bold, so there Korvane takes DejaVu Sans Condensed.
inline constexpr std::array<std::string_view, 9> kNearFaces{
    "Microsoft Sans Serif", "MS Sans Serif",         "Tahoma",       "Arial",
    "Liberation Sans",      "DejaVu Sans Condensed", "Arial Narrow", "Liberation Sans Narrow",
    "DejaVu Sans",
};

// Glyph advances, Wine 8.0: a face that is drawn without smoothing (Liberation Sans at 11 pixels,
// as the face's own table asks) is laid out by DrawText with the advances of its metrics but drawn
// with those of its hinted bitmaps, up to 1 % wider, so the last letters of a full line run past a
// label's box. Korvane measures each line of a label's text with the wider of the two, and takes
// another face where a line does not fit (main_window_look.cpp); on Windows a line is drawn as
// measured. The width of a line as Wine draws it, given its measured width:
int DrawnWidth(HDC dc, std::string_view line, int measured);

// Long window texts, Wine 10.0: a process dies when another process reads a window text of it
// that is a megabyte long. A control's window text is therefore cut to 8 KiB, at a character
// boundary of the ANSI code page; a real tracker item is under a hundred bytes, and the mirror
// itself keeps every byte.
std::string WindowTextOf(const std::string& text);

// Painting, Wine 8.0 and 10.0: a synchronous repaint reaches the X display only when the thread
// next looks at its queue. Under Wine, Korvane looks, taking nothing, right after repainting the
// status line, before an announcement holds the thread; on Windows it does not look. A message
// sent to the window meanwhile is run by the look, and the window takes it up after the tick.
void LetPaintingReachTheScreen();

// Frames, Wine 10.0: where the screen's resolution was changed (winecfg's LogPixels) while Wine
// ran, a program started afterwards draws its frame at the new resolution, while its monitor, and
// so AdjustWindowRectExForDpi and the layout, keep the one Wine started with: the client area
// comes out short and cuts off the button row. After sizing the window, Korvane measures its
// client area and grows or shrinks the frame by what it lacks; on Windows nothing is lacking.
void MakeUpClientArea(HWND window, SIZE client);

// Visual styles, Wine 8.0 and 10.0: taking the common controls 6 costs a new Korvane about ten
// milliseconds of its start-up there (a seventh of a bare window's), while Wine, with no theme
// chosen, draws their buttons as the classic ones. Korvane takes them on Windows only.
bool TakesVisualStyles();

// System libraries, Wine 10.0: a bare name is looked for in the program's own folder first even
// with LOAD_LIBRARY_SEARCH_SYSTEM32, so a DLL of that name left there (a downloads folder, an
// unzipped copy) would run inside Korvane. The library is named by its full path in the system
// folder. What it loads in turn comes from the system folder too: through that flag, or, on a
// Windows 7 without its loader update (which refuses the flag), from the library's own folder.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace korvane::win32
