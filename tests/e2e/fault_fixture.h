#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver/korvane_app.h"
#include "driver/standin.h"
#include "e2e_fixture.h"

namespace korvane::e2e {

// Like KorvaneTest, with the program's surroundings (its folder, its winmm.dll, how Wine
// treats its window) chosen as well.
class FaultTest : public ::testing::Test {
protected:
    FaultTest(const KorvaneApp::Options& options, const KorvaneApp::Surroundings& surroundings);

    StandIn& StartTracker();
    // Presses "Link to SatPC32" and waits for "Connected to SatPC32".
    void Link();
    // Sets the tracker's item and waits until the status line reports the satellite.
    void Report(const std::string& name);
    std::string Transcript();

    KorvaneApp app_;
    std::unique_ptr<StandIn> tracker_;
};

}  // namespace korvane::e2e
