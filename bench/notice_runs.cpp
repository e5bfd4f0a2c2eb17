// How soon korvane.exe notices a tracker that goes away: killed, or ending the conversation
// itself, for each kind of stand-in tracker (raw DDE and DDEML). One korvane.exe serves all the
// runs; each run links it to a fresh stand-in, waits for the first item, lets a random part of
// a second pass (so that the moment falls anywhere in korvane.exe's tick and checks), makes the
// tracker go away and polls the status line every millisecond until it reads
// "Disconnected from SatPC32".
#include <windows.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/main_window_layout.h"
#include "bench_common.h"
#include "driver/korvane_app.h"
#include "driver/machine_clock.h"
#include "driver/standin.h"
#include "driver/test_paths.h"
#include "link/link_texts.h"
#include "polling.h"

namespace korvane::bench {
namespace {

using e2e::MachineNowMs;
using e2e::TrackerKind;
using std::chrono::milliseconds;

constexpr double kNoticeTimeoutMs = 3000;
const std::string kFirstItem = "** NO SATELLITE **";  // no warning plays meanwhile

enum class Way { Killed, Terminates };

struct Case {
    TrackerKind kind;
    Way way;
    const char* label;
};

const Case kCases[] = {
    {TrackerKind::Raw, Way::Killed, "raw DDE stand-in killed (TerminateProcess; from just before the call)"},
    {TrackerKind::Raw, Way::Terminates,
     "raw DDE stand-in ends the conversation (`terminate`: WM_DDE_TERMINATE; from the command written to its "
     "standard input)"},
    {TrackerKind::Ddeml, Way::Killed, "DDEML stand-in killed (TerminateProcess; from just before the call)"},
    {TrackerKind::Ddeml, Way::Terminates,
     "DDEML stand-in ends the conversation (`terminate`: DdeUninitialize, its process lives on; from the command "
     "written to its standard input)"},
};

struct CaseFigures {
    std::vector<double> noticed;    // ms from t0 to the status line's change
    std::vector<double> lineAfter;  // ms from t0 to the stand-in's "command terminate" line
    int timeouts = 0;
    int notLinked = 0;
};

class NoticeRuns {
public:
    NoticeRuns()
    {
        options_.fakeSound = true;
        options_.holdMs = 20;
        app_ = std::make_unique<e2e::KorvaneApp>(options_);
    }

    // One run of the case; false when the link could not be made ready for it.
    bool Run(const Case& c, CaseFigures& figures, int phaseMs)
    {
        if (!app_) {  // a restart failed
            app_ = std::make_unique<e2e::KorvaneApp>(options_);
        }
        e2e::StandIn tracker(e2e::Paths().standinExe, c.kind);
        app_->Click(kLinkButton);
        bool ready = app_->WaitForStatus(std::string(kConnectedText), milliseconds(5000));
        if (ready) {
            tracker.Send("set " + kFirstItem);
            ready = app_->WaitForMirror(kFirstItem, milliseconds(5000));
        }
        if (!ready) {
            std::printf("notice: no link for a run (status \"%s\")\n%s", app_->Status().c_str(),
                        tracker.Transcript().c_str());
            ++figures.notLinked;
            Restart();
            return false;
        }
        Sleep(static_cast<DWORD>(phaseMs));
        const std::string disconnected(kDisconnectedText);
        if (app_->Status() == disconnected) {
            std::printf("notice: the link was lost before the tracker went away\n%s", tracker.Transcript().c_str());
            ++figures.notLinked;
            return false;
        }
        auto noticed = [&] { return app_->Status() == disconnected; };
        double t0 = 0;
        double seen = -1;
        if (c.way == Way::Killed) {
            t0 = MachineNowMs();
            TerminateProcess(tracker.Process().Handle(), 99);
            seen = SeenAt(noticed, kNoticeTimeoutMs);
        } else {
            double lineAt = -1;
            t0 = MachineNowMs();
            tracker.Send("terminate");
            seen = SeenAt(
                [&] {
                    if (lineAt < 0 && tracker.HasEvent("command terminate")) {
                        lineAt = MachineNowMs();
                    }
                    return noticed();
                },
                kNoticeTimeoutMs);
            if (lineAt < 0) {
                lineAt = SeenAt([&] { return tracker.HasEvent("command terminate"); }, 3000);
            }
            if (lineAt >= 0) {
                figures.lineAfter.push_back(lineAt - t0);
            }
        }
        if (seen >= 0) {
            figures.noticed.push_back(seen - t0);
            return true;
        }
        ++figures.timeouts;
        // Not noticed in time: korvane.exe may still be noticing; if it does not, a fresh one
        // serves the following runs.
        if (!app_->WaitForStatus(disconnected, milliseconds(5000))) {
            std::printf("notice: korvane.exe still shows \"%s\"; starting it afresh\n", app_->Status().c_str());
            Restart();
        }
        return true;
    }

private:
    void Restart()
    {
        app_.reset();
        app_ = std::make_unique<e2e::KorvaneApp>(options_);
    }

    e2e::KorvaneApp::Options options_;
    std::unique_ptr<e2e::KorvaneApp> app_;
};

}  // namespace

int RunNotice(Arguments& args)
{
    const int runs = static_cast<int>(args.Number("runs", 10));
    if (!args.Unused().empty()) {
        std::printf("notice: unknown argument %s\n", args.Unused().front().c_str());
        return 2;
    }
    std::mt19937 random(20240602u);
    std::uniform_int_distribution<int> phase(0, 999);
    NoticeRuns notice;
    int notLinked = 0;
    for (const Case& c : kCases) {
        CaseFigures figures;
        for (int run = 0; run < runs; ++run) {
            try {
                notice.Run(c, figures, phase(random));
            } catch (const std::exception& error) {  // e.g. Wine refused to start the stand-in
                std::printf("notice: a run not made: %s\n", error.what());
                ++figures.notLinked;
            }
            Sleep(100);
        }
        std::string figure = Ms(Summarize(figures.noticed));
        if (c.way == Way::Terminates) {
            figure += "; the stand-in's `command terminate` line (printed as it starts) came back after " +
                      Ms(Summarize(figures.lineAfter));
        }
        if (figures.timeouts > 0) {
            figure += Format("; %.0f not seen within %.0f s", figures.timeouts, kNoticeTimeoutMs / 1000);
        }
        if (figures.notLinked > 0) {
            figure += Format("; %.0f runs not made (no stand-in, no link, or the link lost before)", figures.notLinked);
        }
        Row(std::string("tracker gone -> status line reads \"") + std::string(kDisconnectedText) + "\": " + c.label,
            figure);
        notLinked += figures.notLinked;
    }
    return notLinked == 0 ? 0 : 1;
}

}  // namespace korvane::bench
