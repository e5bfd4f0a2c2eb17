#include "fault_fixture.h"

#include "driver/test_paths.h"
#include "link/link_texts.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {

FaultTest::FaultTest(const KorvaneApp::Options& options, const KorvaneApp::Surroundings& surroundings)
    : app_(options, surroundings)
{
}

StandIn& FaultTest::StartTracker()
{
    tracker_ = std::make_unique<StandIn>(Paths().standinExe);
    return *tracker_;
}

void FaultTest::Link()
{
    app_.Click(kCmdOpen);
    ASSERT_TRUE(app_.WaitForStatus(std::string(kConnectedText), kSoon)) << app_.Status() << "\n" << Transcript();
}

void FaultTest::Report(const std::string& name)
{
    tracker_->Send("set " + ItemFor(name));
    ASSERT_TRUE(app_.WaitForStatus(SatelliteVisibleText(name), kSoon)) << "status: \"" << app_.Status() << "\"\n"
                                                                       << Transcript();
}

std::string FaultTest::Transcript()
{
    return tracker_ ? "stand-in said:\n" + tracker_->Transcript() : std::string("no stand-in\n");
}

}  // namespace korvane::e2e
