#pragma once

#include <string>

namespace korvane::e2e {

// A fresh folder under %TEMP% for one test, removed with everything in it at the end unless
// KORVANE_E2E_KEEP is set.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

}  // namespace korvane::e2e
