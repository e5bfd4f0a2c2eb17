#include "stdin_reader.h"

#include <string>
#include <thread>

#include "script_player.h"

namespace standin {
namespace {

void PostLine(HWND window, const std::string& line)
{
    auto* copy = new std::string(line);
    if (!PostMessageW(window, kScriptLineMessage, 0, reinterpret_cast<LPARAM>(copy))) {
        delete copy;
    }
}

// Raw ReadFile rather than the C runtime: a thread blocked inside the runtime's stdin
// would hold the lock that exit() needs to flush the streams.
void ReadLines(HWND window)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string line;
    char buffer[4096];
    DWORD got = 0;
    while (input && input != INVALID_HANDLE_VALUE && ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                PostLine(window, line);
                line.clear();
            } else {
                line.push_back(buffer[i]);
            }
        }
    }
    if (!line.empty()) {
        PostLine(window, line);
    }
    PostMessageW(window, kScriptEndMessage, 0, 0);
}

}  // namespace

bool StartStdinReader(HWND playerWindow)
{
    try {
        std::thread(ReadLines, playerWindow).detach();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace standin
