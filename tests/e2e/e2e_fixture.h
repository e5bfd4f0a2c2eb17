#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window_layout.h"
#include "driver/korvane_app.h"
#include "driver/standin.h"

namespace korvane::e2e {

// A tracker item text that reports the satellite name (the first two characters are skipped),
// as older SatPC32 versions and other trackers send it: no range rate, no line end.
std::string ItemFor(const std::string& name);
// The same as SatPC32 12.9 sends it: with the range rate RR and CR LF at the end.
std::string ItemWithLineEndFor(const std::string& name);
inline constexpr char kNoSatelliteWithLineEnd[] = "** NO SATELLITE **\n\r\n";  // SatPC32 12.9
// The stand-in's command that sets the item to text (CR, LF and backslash escaped).
std::string SetCommand(const std::string& text);

// The files of one spoken warning for name, in order, as (file name, flags).
std::vector<std::pair<std::string, unsigned>> ChainFor(const std::string& name);
// The warnings for the names, one after another.
std::vector<std::pair<std::string, unsigned>> ChainsFor(std::initializer_list<std::string> names);
// Whether two paths name the same place, as Windows compares them: letter case aside.
bool SamePath(const std::string& a, const std::string& b);
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
    // Sets the tracker's item (by default ItemFor(name)) and waits until the status line
    // reports the satellite.
    void Report(const std::string& name, const std::string& item = {});
    std::string Transcript();
    // Links to a tracker that reports no satellite, so that the status line shows its longest text.
    void LinkAndShowTheLongestStatus();
    // Every control's box is its twips at the dots per inch, to the pixel, and every visible one lies
    // inside the client area.
    void ExpectLaidOutAt(int dotsPerInch) const;
    // Each label's text lies whole inside its box, laid out for the dots per inch, in whatever
    // faces the platform draws the window's fonts with.
    void ExpectEveryLabelShowsItsWholeText(int dotsPerInch) const;
    // Every sound call names a file in the program's own folder.
    void ExpectAllInProgramFolder(const std::vector<SoundCall>& calls) const;

    KorvaneApp app_;
    std::unique_ptr<StandIn> tracker_;
    TrackerKind trackerKind_ = TrackerKind::Raw;
};

// Fixture run once against each kind of tracker; instantiate with KORVANE_EITHER_TRACKER.
// The runs are named Suite.Test/Raw and Suite.Test/Ddeml.
template <class Fixture>
class EitherTracker : public Fixture, public ::testing::WithParamInterface<TrackerKind> {
protected:
    EitherTracker() { this->trackerKind_ = this->GetParam(); }
};

std::string TrackerKindName(const ::testing::TestParamInfo<TrackerKind>& info);

#define KORVANE_EITHER_TRACKER(suite) \
    INSTANTIATE_TEST_SUITE_P(, suite, ::testing::Values(TrackerKind::Raw, TrackerKind::Ddeml), TrackerKindName)

// How long to wait for what must happen: generous, for a slow and loaded machine. A wait ends
// as soon as the thing happens; how fast it happens is checked by the tests that time it.
inline constexpr std::chrono::milliseconds kSoon{10000};

}  // namespace korvane::e2e
