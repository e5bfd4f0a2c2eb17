// What the tracker may send that nobody expected: huge items, bytes that are not text,
// items without their NUL or with one inside, line breaks and ampersands in the name, empty
// and broken data messages, and data in another format. Whatever arrives, the mirror holds
// the text as delivered up to its first NUL, the status line follows from that text, and
// the program goes on answering.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "driver/machine_clock.h"
#include "driver/process_probe.h"
#include "driver/wait_until.h"
#include "driver/window_probe.h"
#include "e2e_fixture.h"
#include "link/link_texts.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {
namespace {

constexpr std::chrono::milliseconds kTick{1300};  // one timer interval and some
constexpr UINT kAnswerMs = 1000;                  // the window's answer to a WM_NULL, when idle

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
        hex += ' ';
    }
    return hex;
}

// The same text after a trip through the ANSI code page, as a window stores and returns it.
std::string ThroughCodePage(const std::string& bytes)
{
    if (bytes.empty()) {
        return bytes;
    }
    const int size = static_cast<int>(bytes.size());
    std::wstring wide(bytes.size() * 2, L'\0');
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), size * 2);
    std::string back(static_cast<size_t>(wideLength) * 4, '\0');
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, back.data(),
                                           static_cast<int>(back.size()), nullptr, nullptr);
    back.resize(static_cast<size_t>(length > 0 ? length : 0));
    return back;
}

std::string Printable(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            text += escape;
        } else {
            text.push_back(c);
        }
    }
    return text;
}

class HostileInput : public KorvaneTest {
protected:
    HostileInput() : KorvaneTest(KorvaneApp::Options{true, 10}) {}

    void SetUp() override
    {
        StartTracker();
        ASSERT_NO_FATAL_FAILURE(Link());
    }

    void SendBytes(const std::string& bytes) { tracker_->Send("sethex " + Hex(bytes)); }

    // The mirror's text as the window returns it (any length).
    std::string MirrorText() { return AskText(app_.Control(kMirror), 5000).value_or("(no answer)"); }

    // Waits until the mirror shows what a window shows of the given mirror bytes.
    ::testing::AssertionResult MirrorBecomes(const std::string& bytes)
    {
        const std::string shown = ThroughCodePage(bytes);
        if (WaitUntil([&] { return MirrorText() == shown; }, kSoon)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "mirror \"" << Printable(MirrorText()) << "\", expected \"" << Printable(shown) << "\"\n"
               << Transcript();
    }

    ::testing::AssertionResult StatusBecomes(const std::string& bytes)
    {
        const std::string shown = ThroughCodePage(bytes);
        auto status = [&] { return AskText(app_.Control(kStatusLine)).value_or("(no answer)"); };
        if (WaitUntil([&] { return status() == shown; }, kSoon)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "status \"" << Printable(status()) << "\", expected \"" << Printable(shown) << "\"";
    }

    void ExpectAnswering()
    {
        EXPECT_TRUE(app_.Process().IsRunning());
        EXPECT_TRUE(PingMs(app_.Window(), kAnswerMs).has_value()) << "the window did not answer a WM_NULL";
    }
};

// Another process may read any window text of the program at any time (Wine 10 ends a process
// whose megabyte-long window text is read from outside). The watcher takes the whole item;
// every window text stays short enough to hand out, yet holds any real item whole.
TEST_F(HostileInput, OneMebibyteItemIsWatchedWholeWhileEveryControlAnswersAnOutsideReader)
{
    constexpr size_t kSize = 1U << 20;
    // No space: the name runs to the item's end, but only its first characters are spelled.
    // An item that differs only in its last byte is announced again only when the watcher
    // read the whole mebibyte.
    const std::string item = "SNAO-7" + std::string(kSize - 7, '-') + "Z";
    const std::string name = item.substr(2);
    const std::string other = name.substr(0, name.size() - 1) + "Y";
    const auto before = UseOf(app_.Process().Handle());
    const double sentAt = MachineNowMs();
    tracker_->Send("set " + item);
    const SoundLog sounds = app_.WaitForSoundCalls(ChainFor(name).size());
    ASSERT_EQ(FilesAndFlags(sounds.calls), ChainFor(name));
    std::printf("a 1 MiB item was announced %.0f ms after it was sent\n", MachineNowMs() - sentAt);
    const auto holding = UseOf(app_.Process().Handle());

    // As a window-reading tool would: the length, then the text, of every window.
    for (const ControlLayout& control : kMainWindowControls) {
        SCOPED_TRACE(control.text.empty() ? "the mirror" : std::string(control.text));
        const std::optional<std::string> text = AskText(app_.Control(control.id));
        ASSERT_TRUE(text.has_value()) << "no answer";
        EXPECT_LE(text->size(), 65536U);
        if (control.id == kMirror || control.id == kStatusLine) {
            const std::string whole = control.id == kMirror ? item : SatelliteVisibleText(name);
            EXPECT_GE(text->size(), 4096U) << "a window text shorter than a real item may be";
            EXPECT_EQ(*text, whole.substr(0, text->size())) << "not the beginning of the text";
        }
    }
    EXPECT_EQ(AskText(app_.Window()), std::string(kMainWindowCaption));
    ExpectAnswering();

    tracker_->Send("set SN" + other);
    app_.WaitForSoundCalls(ChainsFor({name, other}).size());
    ASSERT_NO_FATAL_FAILURE(Report("FO-29"));
    EXPECT_EQ(MirrorText(), ItemFor("FO-29"));
    const auto expected = ChainsFor({name, other, "FO-29"});
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(expected.size()).calls), expected);
    const auto after = UseOf(app_.Process().Handle());
    if (before && holding && after) {
        std::printf("private memory: %.2f MiB before, %.2f MiB holding the 1 MiB item, %.2f MiB after a short one\n",
                    static_cast<double>(before->pagefileBytes) / 1048576.0,
                    static_cast<double>(holding->pagefileBytes) / 1048576.0,
                    static_cast<double>(after->pagefileBytes) / 1048576.0);
    }
    ExpectAnswering();
}

TEST_F(HostileInput, EveryByteValueFrom1To255IsMirroredAndTheNameRunsToTheFirstSpace)
{
    std::string item;
    for (int byte = 1; byte <= 255; ++byte) {
        item.push_back(static_cast<char>(byte));
    }
    SendBytes(item + '\0');
    // The name is every byte from position 3 up to the space (0x20): 0x03 to 0x1F.
    const std::string name = item.substr(2, 0x20 - 3);
    ASSERT_TRUE(StatusBecomes(SatelliteVisibleText(name)));
    ASSERT_TRUE(MirrorBecomes(item));
    if (ThroughCodePage(item) != item) {
        std::printf(
            "note: the mirror's window text differs from the delivered bytes where the code page "
            "cannot round-trip them\n");
    }
    // The sound library gets each byte of the name as it came.
    const SoundLog sounds = app_.WaitForSoundCalls(ChainFor(name).size());
    EXPECT_EQ(FilesAndFlags(sounds.calls), ChainFor(name));

    // A name of bytes 0x80 to 0xFF only.
    std::string high;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        high.push_back(static_cast<char>(byte));
    }
    SendBytes("SN" + high + " AZ" + '\0');
    ASSERT_TRUE(StatusBecomes(SatelliteVisibleText(high)));
    ASSERT_TRUE(MirrorBecomes("SN" + high + " AZ"));
    const auto expected = ChainsFor({name, high});
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(expected.size()).calls), expected);
    ExpectAnswering();
}

TEST_F(HostileInput, DataWithoutANulIsTakenToItsEndAndNotOneByteFurther)
{
    // A long item first leaves non-NUL bytes behind in memory that a short one could reuse.
    tracker_->Send("setfill 8192 SNAO-7 ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ");
    ASSERT_TRUE(StatusBecomes(SatelliteVisibleText("AO-7")));
    const std::string full = "SNFO-29 AZ123.4 EL12.3 RR UP432150000 DN145950000 MA0.0";
    for (const size_t length : {size_t{1}, size_t{2}, size_t{7}, size_t{8}, size_t{15}, size_t{16}, size_t{17},
                                size_t{31}, size_t{32}, size_t{33}, full.size()}) {
        SCOPED_TRACE("length " + std::to_string(length));
        const std::string item = full.substr(0, length);
        SendBytes(item);
        ASSERT_TRUE(MirrorBecomes(item));
    }
    // 4096 bytes up to a page end, no NUL.
    std::string page = "SNFO-29 ";
    page.append(4096 - page.size(), 'Q');
    SendBytes(page);
    ASSERT_TRUE(WaitUntil([&] { return MirrorText() == page; }, kSoon))
        << "mirror of " << MirrorText().size() << " bytes, expected 4096";
    EXPECT_TRUE(StatusBecomes(SatelliteVisibleText("FO-29")));
    ExpectAnswering();
}

TEST_F(HostileInput, EmbeddedNulEndsTheTextAndALeadingNulMakesItEmpty)
{
    SendBytes(ItemFor("AO-7") + '\0' + ItemFor("FO-29") + '\0');
    ASSERT_TRUE(StatusBecomes(SatelliteVisibleText("AO-7")));
    EXPECT_TRUE(MirrorBecomes(ItemFor("AO-7")));
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(ChainFor("AO-7").size()).calls), ChainFor("AO-7"));

    // Nothing before the NUL: the empty text. The status line keeps its text, the satellite
    // is forgotten, and the same satellite reported again is announced again.
    std::string leadingNul(1, '\0');
    leadingNul += ItemFor("AO-7");
    leadingNul.push_back('\0');
    SendBytes(leadingNul);
    ASSERT_TRUE(MirrorBecomes(""));
    std::this_thread::sleep_for(kTick);
    EXPECT_EQ(app_.Status(), SatelliteVisibleText("AO-7"));
    EXPECT_EQ(app_.Sounds().calls.size(), ChainFor("AO-7").size());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    EXPECT_EQ(app_.WaitForSoundCalls(2 * ChainFor("AO-7").size()).calls.size(), 2 * ChainFor("AO-7").size());
    ExpectAnswering();
}

TEST_F(HostileInput, TabCarriageReturnAndLineFeedStayInTheNameAndAreSpelled)
{
    const std::string name = "A\tB\r\nC";
    SendBytes("SN" + name + " AZ1\r\n" + '\0');
    ASSERT_TRUE(StatusBecomes(SatelliteVisibleText(name)));
    EXPECT_TRUE(MirrorBecomes("SN" + name + " AZ1\r\n"));
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(ChainFor(name).size()).calls), ChainFor(name));

    // A line break right at position 3 is a name character like any other, not an end.
    SendBytes(std::string("\r\n\r\nX") + '\0');
    ASSERT_TRUE(StatusBecomes(SatelliteVisibleText("\r\nX")));
    ExpectAnswering();
}

TEST_F(HostileInput, AmpersandsAreMirroredShownAndSpelledAsTheyAre)
{
    const std::string name = "&&A&";
    tracker_->Send("set SN" + name + " AZ&1 &");
    ASSERT_TRUE(StatusBecomes(SatelliteVisibleText(name)));
    EXPECT_TRUE(MirrorBecomes("SN" + name + " AZ&1 &"));
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(ChainFor(name).size()).calls), ChainFor(name));
    EXPECT_NE(GetWindowLongA(app_.Control(kStatusLine), GWL_STYLE) & SS_NOPREFIX, 0);
}

TEST_F(HostileInput, EmptyDataMessageEmptiesTheMirrorAndTheSatelliteIsAnnouncedAgain)
{
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    app_.WaitForSoundCalls(ChainFor("AO-7").size());
    tracker_->Send("sethex");  // a text message of zero bytes: not even the NUL
    ASSERT_TRUE(MirrorBecomes(""));
    std::this_thread::sleep_for(kTick);
    EXPECT_EQ(app_.Status(), SatelliteVisibleText("AO-7")) << "the empty text leaves the status line alone";
    EXPECT_EQ(app_.Sounds().calls.size(), ChainFor("AO-7").size());

    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    EXPECT_EQ(app_.WaitForSoundCalls(2 * ChainFor("AO-7").size()).calls.size(), 2 * ChainFor("AO-7").size());
    ExpectAnswering();
}

TEST_F(HostileInput, BrokenDataBlocksAreIgnoredAndAHeaderWithTextIsTaken)
{
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    // DDEDATA: a WORD of flags (fRelease 0x2000, fAckReq 0x8000), the format as a short, then
    // the value. Blocks shorter than the header, or none at all, carry no text.
    for (const char* block : {"rawdata", "rawdata null", "rawdata 00", "rawdata 00 20 01"}) {
        tracker_->Send(block);
    }
    // A block that asks for an acknowledgement shows when everything before it was handled.
    tracker_->Send("rawdata 00 A0 4F C3 53 4E 46 4F 2D 32 39 00");  // format 49999
    ASSERT_TRUE(tracker_->WaitEvent("data ack nack", kSoon)) << "a non-text block is refused\n" << Transcript();
    EXPECT_EQ(MirrorText(), ItemFor("AO-7"));
    // Text for an item other than the linked one is refused too.
    tracker_->Send("rawdata item SatPcOtherItem 00 A0 01 00 53 4E 46 4F 2D 32 39 00");
    ASSERT_TRUE(tracker_->WaitEvent("data ack nack", kSoon)) << "another item's text is refused\n" << Transcript();
    EXPECT_EQ(MirrorText(), ItemFor("AO-7"));

    // A header and text without a NUL, with an acknowledgement asked for.
    tracker_->Send("rawdata 00 A0 01 00 53 4E 46 4F 2D 32 39");
    ASSERT_TRUE(tracker_->WaitEvent("data ack ok", kSoon)) << Transcript();
    ASSERT_TRUE(MirrorBecomes("SNFO-29"));
    EXPECT_TRUE(StatusBecomes(SatelliteVisibleText("FO-29")));
    ExpectAnswering();
}

TEST_F(HostileInput, DataInAnotherFormatLeavesTheMirrorAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    for (const char* format : {"format 13", "format 49999"}) {  // CF_UNICODETEXT, a registered format
        SCOPED_TRACE(format);
        tracker_->Send(format);
        tracker_->Send("set " + ItemFor("FO-29"));
        ASSERT_TRUE(tracker_->WaitEvent("command set " + ItemFor("FO-29"), kSoon)) << Transcript();
        std::this_thread::sleep_for(kTick);
        EXPECT_EQ(MirrorText(), ItemFor("AO-7"));
        EXPECT_EQ(app_.Status(), SatelliteVisibleText("AO-7"));
    }
    EXPECT_EQ(app_.Sounds().calls.size(), ChainFor("AO-7").size());

    tracker_->Send("format text");
    ASSERT_NO_FATAL_FAILURE(Report("FO-29"));
    ExpectAnswering();
}

}  // namespace
}  // namespace korvane::e2e
