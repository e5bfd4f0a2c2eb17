#include "test_paths.h"

#include <windows.h>

#include <stdexcept>

namespace korvane::e2e {
namespace {

std::string Required(const char* name)
{
    char buffer[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) {
        throw std::runtime_error(std::string("environment variable not set: ") + name);
    }
    std::string path(buffer, length);
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

}  // namespace

const TestPaths& Paths()
{
    static const TestPaths paths{Required("KORVANE_E2E_KORVANE_EXE"), Required("KORVANE_E2E_STANDIN_EXE"),
                                 Required("KORVANE_E2E_FAKE_WINMM")};
    return paths;
}

}  // namespace korvane::e2e
