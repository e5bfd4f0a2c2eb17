#include "e2e_fixture.h"

#include <windows.h>

#include "driver/label_drawing.h"
#include "driver/test_paths.h"
#include "driver/wait_until.h"
#include "driver/window_probe.h"
#include "link/link_texts.h"
#include "watch/voice_announcer.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {

std::string ItemFor(const std::string& name)
{
    return "SN" + name + " AZ123.4 EL12.3 RR";
}

std::string ItemWithLineEndFor(const std::string& name)
{
    return "SN" + name + " AZ19.3 EL4.5 UP145966847 UMLSB DN435634488 DMUSB MA120.4 RR3.79\r\n";
}

std::string SetCommand(const std::string& text)
{
    std::string command = "set ";
    for (const char ch : text) {
        command += ch == '\r'   ? std::string("\\r")
                   : ch == '\n' ? std::string("\\n")
                   : ch == '\\' ? std::string("\\\\")
                                : std::string(1, ch);
    }
    return command;
}

std::vector<std::pair<std::string, unsigned>> ChainFor(const std::string& name)
{
    std::vector<std::pair<std::string, unsigned>> chain{{"bell.wav", 0}, {"satellite.wav", 0}};
    for (const char ch : name.substr(0, kSpelledCharactersMax)) {
        if (ch != '-' && ch != '/') {
            chain.emplace_back(std::string(1, ch) + ".wav", 0);
        }
    }
    chain.emplace_back("IsRising.wav", 1);
    return chain;
}

std::vector<std::pair<std::string, unsigned>> ChainsFor(std::initializer_list<std::string> names)
{
    std::vector<std::pair<std::string, unsigned>> chains;
    for (const std::string& name : names) {
        const auto chain = ChainFor(name);
        chains.insert(chains.end(), chain.begin(), chain.end());
    }
    return chains;
}

bool SamePath(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

std::vector<std::pair<std::string, unsigned>> FilesAndFlags(const std::vector<SoundCall>& calls)
{
    std::vector<std::pair<std::string, unsigned>> result;
    for (const auto& call : calls) {
        result.emplace_back(FileNameOf(call.path), call.flags);
    }
    return result;
}

std::string TrackerKindName(const ::testing::TestParamInfo<TrackerKind>& info)
{
    return info.param == TrackerKind::Ddeml ? "Ddeml" : "Raw";
}

StandIn& KorvaneTest::StartTracker()
{
    tracker_ = std::make_unique<StandIn>(Paths().standinExe, trackerKind_);
    return *tracker_;
}

void KorvaneTest::Link()
{
    const std::string before = app_.Status();
    app_.Click(kLinkButton);
    ASSERT_TRUE(WaitUntil([&] { return app_.Status() != before || app_.Status() == kConnectedText; }, kSoon))
        << Transcript();
    ASSERT_NE(app_.Status(), kOpenFailedText) << Transcript();
}

void KorvaneTest::Report(const std::string& name, const std::string& item)
{
    tracker_->Send(SetCommand(item.empty() ? ItemFor(name) : item));
    ASSERT_TRUE(app_.WaitForStatus(SatelliteVisibleText(name), kSoon)) << "status: \"" << app_.Status() << "\"\n"
                                                                       << Transcript();
}

void KorvaneTest::LinkAndShowTheLongestStatus()
{
    app_.Click(kLinkButton);
    ASSERT_TRUE(app_.WaitForStatus(std::string(kNoneVisibleText), kSoon)) << app_.Status() << "\n" << Transcript();
}

void KorvaneTest::ExpectLaidOutAt(int dotsPerInch) const
{
    const SIZE client = ClientSize(app_.Window());
    for (const auto& control : kMainWindowControls) {
        SCOPED_TRACE(std::to_string(dotsPerInch) + " dpi: " + std::string(control.text));
        const RECT box = RectInParentClient(app_.Control(control.id));
        EXPECT_NEAR(box.left, TwipsToPixels(control.box.left, dotsPerInch), 1);
        EXPECT_NEAR(box.top, TwipsToPixels(control.box.top, dotsPerInch), 1);
        EXPECT_NEAR(box.right - box.left, TwipsToPixels(control.box.width, dotsPerInch), 1);
        EXPECT_NEAR(box.bottom - box.top, TwipsToPixels(control.box.height, dotsPerInch), 1);
        EXPECT_TRUE(!control.visible ||
                    (box.left >= 0 && box.top >= 0 && box.right <= client.cx && box.bottom <= client.cy))
            << "outside the client area of " << client.cx << " x " << client.cy;
    }
}

void KorvaneTest::ExpectEveryLabelShowsItsWholeText(int dotsPerInch) const
{
    for (const auto& control : kMainWindowControls) {
        if (control.kind != ControlKind::Label || !control.visible) {
            continue;
        }
        SCOPED_TRACE(std::string(control.text));
        const HWND label = app_.Control(control.id);
        const RECT box = RectInParentClient(label);
        ASSERT_EQ(box.right - box.left, TwipsToPixels(control.box.width, dotsPerInch));
        ASSERT_EQ(box.bottom - box.top, TwipsToPixels(control.box.height, dotsPerInch));
        const std::optional<long> cutOff = PixelsOfTextBelowBox(app_.Window(), label);
        ASSERT_TRUE(cutOff.has_value()) << "the label was not seen drawn in its test place";
        EXPECT_EQ(*cutOff, 0) << "pixels of text below the box";
    }
}

void KorvaneTest::ExpectAllInProgramFolder(const std::vector<SoundCall>& calls) const
{
    for (const auto& call : calls) {
        const std::string folder = call.path.substr(0, call.path.find_last_of('\\'));
        EXPECT_TRUE(SamePath(folder, app_.ExeFolder())) << call.path << " is not in " << app_.ExeFolder();
    }
}

std::string KorvaneTest::Transcript()
{
    return tracker_ ? "stand-in said:\n" + tracker_->Transcript() : std::string("no stand-in\n");
}

}  // namespace korvane::e2e
