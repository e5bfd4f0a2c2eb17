#pragma once
// Reads script lines from standard input on a thread of its own and posts each to
// the player's window, so that the window thread never blocks on input.
#include <windows.h>

namespace standin {

// Starts the (detached) reader. It ends with kScriptEndMessage at end of input.
bool StartStdinReader(HWND playerWindow);

}  // namespace standin
