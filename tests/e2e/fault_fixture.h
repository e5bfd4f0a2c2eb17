#pragma once

#include "driver/korvane_app.h"
#include "e2e_fixture.h"

namespace korvane::e2e {

// Like KorvaneTest, with the program's surroundings (its folder, its winmm.dll, how Wine
// treats its window) chosen as well.
class FaultTest : public KorvaneTest {
protected:
    FaultTest(const KorvaneApp::Options& options, const KorvaneApp::Surroundings& surroundings)
        : KorvaneTest(options, surroundings)
    {
    }

    // Presses "Link to SatPC32" and waits for "Connected to SatPC32" itself (KorvaneTest::Link
    // also takes a later status).
    void Link();
};

}  // namespace korvane::e2e
