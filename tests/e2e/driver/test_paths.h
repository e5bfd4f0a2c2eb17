#pragma once

#include <string>

namespace korvane::e2e {

// Where the programs under test are, from the environment that the test registration sets:
// KORVANE_E2E_KORVANE_EXE, KORVANE_E2E_STANDIN_EXE and KORVANE_E2E_FAKE_WINMM.
struct TestPaths {
    std::string korvaneExe;
    std::string standinExe;
    std::string fakeWinmm;
};

const TestPaths& Paths();

}  // namespace korvane::e2e
