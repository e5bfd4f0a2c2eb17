#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvane::e2e {

// One sndPlaySoundA call as the fake winmm.dll logged it.
struct SoundCall {
    std::string path;
    unsigned flags = 0;
    double startMs = 0;
    double endMs = 0;
    std::optional<bool> found;  // whether the file existed at the call (GetFileAttributesA)
};

struct SoundLog {
    std::vector<double> attachMs;          // when winmm.dll was loaded, once per load
    std::vector<std::string> attachPaths;  // where each load took it from
    std::vector<SoundCall> calls;
};

// Paths come back byte for byte as the program passed them (the log's escapes undone).
SoundLog ReadSoundLog(const std::string& logPath);

// The file name part of a path (after the last backslash), for short expectations.
std::string FileNameOf(const std::string& path);

}  // namespace korvane::e2e
