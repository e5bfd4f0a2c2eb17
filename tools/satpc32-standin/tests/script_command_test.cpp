#include "script_command.h"
#include "help_text.h"
#include "standin_options.h"

#include <gtest/gtest.h>

using standin::CommandKind;
using standin::ParseCommand;

namespace {

std::string TextOf(const char* s)
{
    return std::string(s) + '\0';
}

}  // namespace

TEST(ScriptCommand, SetKeepsTheRestOfTheLineWholeAndAddsTheTerminatingNul)
{
    const auto p = ParseCommand("set SNAO-7 AZ123.4 EL10.2 UP432150000 UMUSB DN145950000 DMUSB MA0.0");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.command.kind, CommandKind::Set);
    EXPECT_EQ(p.command.payload, TextOf("SNAO-7 AZ123.4 EL10.2 UP432150000 UMUSB DN145950000 DMUSB MA0.0"));
    EXPECT_EQ(ParseCommand("set ** NO SATELLITE **").command.payload, TextOf("** NO SATELLITE **"));
    EXPECT_EQ(ParseCommand("set  two  spaces ").command.payload, TextOf(" two  spaces "));
    EXPECT_EQ(ParseCommand("set").command.payload, TextOf(""));
    EXPECT_EQ(ParseCommand("set \r").command.payload, TextOf(""));  // CRLF scripts
    EXPECT_EQ(ParseCommand("  set x").command.payload, TextOf("x"));
}

TEST(ScriptCommand, SetTakesEscapesForCrLfAndBackslash)
{
    EXPECT_EQ(ParseCommand("set ** NO SATELLITE **\\n\\r\\n").command.payload, TextOf("** NO SATELLITE **\n\r\n"));
    EXPECT_EQ(ParseCommand("set SNRS-44 RR3.79\\r\\n").command.payload, TextOf("SNRS-44 RR3.79\r\n"));
    EXPECT_EQ(ParseCommand("set C:\\\\x").command.payload, TextOf("C:\\x"));
    for (const char* bad : {"set C:\\x", "set a\\", "set \\0"}) {
        EXPECT_FALSE(ParseCommand(bad).ok) << bad;
    }
}

TEST(ScriptCommand, RepeatTakesAPeriodAndDdemlRefusesWhatItCannotDo)
{
    EXPECT_EQ(ParseCommand("repeat 1000").command.kind, CommandKind::Repeat);
    EXPECT_EQ(ParseCommand("repeat 0").command.milliseconds, 0u);
    EXPECT_FALSE(ParseCommand("repeat").ok);
    for (const char* fine : {"set x", "storm 10 10 x", "terminate", "quit", "exit", "refuse on", "advise nack",
                             "repeat 1000", "hang 10", "busy 10"}) {
        EXPECT_TRUE(ParseCommand(fine, true).ok) << fine;
    }
    for (const char* refused : {"rawdata 00", "rawdata null", "format 5", "format text", "advise ignore", "vanish"}) {
        EXPECT_TRUE(ParseCommand(refused).ok) << refused;
        const auto p = ParseCommand(refused, true);
        EXPECT_FALSE(p.ok) << refused;
        EXPECT_NE(p.error.find("--ddeml"), std::string::npos) << p.error;
    }
}

TEST(ScriptCommand, SethexGivesExactlyTheBytes)
{
    const auto p = ParseCommand("sethex 41 42 00 ff");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.command.payload, std::string("AB\0\xff", 4));
    EXPECT_EQ(ParseCommand("sethex 4142").command.payload, "AB");
    EXPECT_TRUE(ParseCommand("sethex").ok);
    EXPECT_EQ(ParseCommand("sethex").command.payload, "");
    EXPECT_FALSE(ParseCommand("sethex 414").ok);
    EXPECT_FALSE(ParseCommand("sethex 4 1").ok);
    EXPECT_FALSE(ParseCommand("sethex zz").ok);
}

TEST(ScriptCommand, ArgumentsAreChecked)
{
    EXPECT_EQ(ParseCommand("wait 250").command.milliseconds, 250u);
    EXPECT_EQ(ParseCommand("hang 0").command.kind, CommandKind::Hang);
    EXPECT_TRUE(ParseCommand("refuse on").command.refuse);
    EXPECT_FALSE(ParseCommand("refuse off").command.refuse);
    EXPECT_EQ(ParseCommand("advise ignore").command.advise, standin::AdviseMode::Ignore);
    EXPECT_EQ(ParseCommand("format 49999").command.format, 49999u);
    EXPECT_EQ(ParseCommand("format text").command.format, standin::kTextFormat);
    EXPECT_EQ(ParseCommand("quit").command.kind, CommandKind::Quit);

    for (const char* bad : {"wait", "wait -1", "wait 10ms", "wait 3600001", "hang x", "refuse maybe", "advise yes",
                            "format 0", "format 65536", "quit now", "exit 1", "terminate all", "Set x", "bogus"}) {
        EXPECT_FALSE(ParseCommand(bad).ok) << bad;
    }
}

TEST(ScriptCommand, CommentsAndBlankLinesDoNothing)
{
    for (const char* nothing : {"", "   ", "\r", "# set x", "  # wait 5"}) {
        const auto p = ParseCommand(nothing);
        EXPECT_TRUE(p.ok) << nothing;
        EXPECT_EQ(p.command.kind, CommandKind::Nothing) << nothing;
    }
}

TEST(ScriptCommand, SetfillPadsTheTextToTheLengthAndAddsTheNul)
{
    const auto p = ParseCommand("setfill 10 SNAO-7 AZ");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.command.kind, CommandKind::SetFill);
    EXPECT_EQ(p.command.payload, TextOf("SNAO-7 AZ."));
    EXPECT_EQ(ParseCommand("setfill 4 SNAO-7 AZ").command.payload, TextOf("SNAO"));  // cut
    EXPECT_EQ(ParseCommand("setfill 3").command.payload, TextOf("..."));
    EXPECT_EQ(ParseCommand("setfill 6  x y").command.payload, TextOf(" x y.."));  // blanks kept
    EXPECT_EQ(ParseCommand("setfill 1048576 SN").command.payload.size(), 1048577u);
    for (const char* bad : {"setfill", "setfill x", "setfill -1 a", "setfill 16777217 a"}) {
        EXPECT_FALSE(ParseCommand(bad).ok) << bad;
    }
}

TEST(ScriptCommand, StormTakesDurationRateAndText)
{
    const auto p = ParseCommand("storm 10000 5000 SNAO-7 AZ");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.command.kind, CommandKind::Storm);
    EXPECT_EQ(p.command.milliseconds, 10000u);
    EXPECT_EQ(p.command.count, 5000u);
    EXPECT_EQ(p.command.payload, "SNAO-7 AZ");
    EXPECT_EQ(standin::StormText("SNAO-7 AZ", 42), TextOf("SNAO-7 AZ 42"));
    EXPECT_EQ(ParseCommand("storm 0 1").command.payload, "");
    for (const char* bad :
         {"storm", "storm 100", "storm 100 0 x", "storm x 10 y", "storm 3600001 10 x", "storm 10 1000001 x"}) {
        EXPECT_FALSE(ParseCommand(bad).ok) << bad;
    }
}

TEST(ScriptCommand, RawdataTakesTheWholeBlockOrNull)
{
    EXPECT_EQ(ParseCommand("rawdata 01 02").command.payload, std::string("\x01\x02"));
    EXPECT_EQ(ParseCommand("rawdata").command.kind, CommandKind::RawData);
    EXPECT_EQ(ParseCommand("rawdata").command.payload, "");
    EXPECT_FALSE(ParseCommand("rawdata").command.nullBlock);
    EXPECT_TRUE(ParseCommand("rawdata null").command.nullBlock);
    EXPECT_FALSE(ParseCommand("rawdata nul").ok);
    const auto other = ParseCommand("rawdata item Other 00 20");
    EXPECT_EQ(other.command.item, "Other");
    EXPECT_EQ(other.command.payload, std::string("\x00\x20", 2));
}

TEST(HelpText, NamesEveryCommand)
{
    const std::string help = standin::HelpText();
    for (const char* command : {"set <text>", "sethex <hex>", "setfill <n> <text>", "rawdata [item <name>] <hex>|null",
                                "storm <ms> <per-second> <text>", "wait <ms>", "terminate", "vanish", "exit", "quit",
                                "refuse on|off", "advise ok|nack|ignore", "hang <ms>", "busy <ms>", "format <n>|text",
                                "repeat <ms>", "--ddeml", "--one-window", "storm over <n> changes"}) {
        EXPECT_NE(help.find(command), std::string::npos) << command;
    }
}

TEST(StandinOptions, ReadsScriptLogAndExitAtEnd)
{
    const auto p = standin::ParseOptions({"--script", "pass.txt", "--log", "out.log", "--exit-at-end", "--ddeml"});
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.options.ddeml);
    EXPECT_EQ(p.options.scriptPath, "pass.txt");
    EXPECT_EQ(p.options.logPath, "out.log");
    EXPECT_TRUE(p.options.exitAtEnd);
    EXPECT_FALSE(standin::ParseOptions({"--script"}).ok);
    EXPECT_FALSE(standin::ParseOptions({"pass.txt"}).ok);
    EXPECT_TRUE(standin::ParseOptions({"--help"}).options.help);
    EXPECT_TRUE(standin::ParseOptions({"--one-window"}).options.oneWindow);
}
