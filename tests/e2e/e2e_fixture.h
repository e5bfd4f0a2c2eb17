#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/form1_layout.h"
#include "driver/korvane_app.h"
#include "driver/standin.h"

namespace korvane::e2e {

// A tracker item text that reports the satellite name (the first two characters are skipped).
std::string ItemFor(const std::string& name);

// The files of one spoken warning for name, in order, as (file name, flags).
std::vector<std::pair<std::string, unsigned>> ChainFor(const std::string& name);
std::vector<std::pair<std::string, unsigned>> FilesAndFlags(const std::vector<SoundCall>& calls);

// korvane.exe started fresh for each test, with the fake sound library beside it; the
// SatPC32 stand-in is started on request.
class KorvaneTest : public ::testing::Test {
protected:
    KorvaneTest() = default;
    explicit KorvaneTest(const KorvaneApp::Options& options) : app_(options) {}
    KorvaneTest(const KorvaneApp::Options& options, const KorvaneApp::Surroundings& surroundings)
        : app_(options, surroundings)
    {
    }

    StandIn& StartTracker();
    // Presses "Link to SatPC32" and waits for "Connected to SatPC32" or a later status.
    void Link();
    // Sets the tracker's item and waits until the status line reports the satellite.
    void Report(const std::string& name);
    std::string Transcript();
    // Every sound call names a file in the program's own folder.
    void ExpectAllInProgramFolder(const std::vector<SoundCall>& calls) const;

    KorvaneApp app_;
    std::unique_ptr<StandIn> tracker_;
};

inline constexpr std::chrono::milliseconds kSoon{4000};  // "within about two seconds", with room

}  // namespace korvane::e2e
