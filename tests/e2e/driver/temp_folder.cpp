#include "temp_folder.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace korvane::e2e {

TempFolder::TempFolder()
{
    static int counter = 0;
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path_ = std::string(base) + "korvane-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr)) {
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder under " + std::string(base));
}

TempFolder::~TempFolder()
{
    if (GetEnvironmentVariableA("KORVANE_E2E_KEEP", nullptr, 0) != 0) {
        return;
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace korvane::e2e
