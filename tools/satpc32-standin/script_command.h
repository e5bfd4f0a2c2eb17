#pragma once
// One line of a stand-in script, parsed. Portable: no Windows types.
#include <string>
#include <string_view>

namespace standin {

enum class CommandKind {
    Nothing,
    Set,
    SetHex,
    Wait,
    Terminate,
    Vanish,
    Exit,
    Quit,
    Refuse,
    Advise,
    Hang,
    Busy,
    Format,
    SetFill,
    Storm,
    RawData,
    Repeat
};
enum class AdviseMode { Ok, Nack, Ignore };

inline constexpr unsigned kTextFormat = 1;  // CF_TEXT
inline constexpr unsigned kMaxFillBytes = 16u << 20;
inline constexpr unsigned kMaxStormRate = 1'000'000;

// The item text of the n-th change (from 1) of a storm: its text, a space and n.
std::string StormText(const std::string& text, unsigned long long n);

struct Command {
    CommandKind kind = CommandKind::Nothing;  // Nothing: blank line or comment
    std::string payload;                      // Set, SetHex, SetFill: the exact bytes of the item;
                                              // Storm: the text before each change's number;
                                              // RawData: the whole data block
    unsigned milliseconds = 0;                // Wait, Hang, Busy, Storm; Repeat: the period, 0 = stop
    unsigned count = 0;                       // Storm: changes per second
    bool nullBlock = false;                   // RawData: a DATA message without a data handle
    std::string item;                         // RawData: the item it names, "" for SatPcDdeItem
    bool refuse = false;                      // Refuse
    AdviseMode advise = AdviseMode::Ok;       // Advise
    unsigned format = kTextFormat;            // Format: clipboard format of DATA messages
};

struct ParsedLine {
    bool ok = false;
    Command command;
    std::string error;  // when !ok
};

// Parses one script line (a trailing CR is ignored). `set` keeps the rest of the line
// as it stands, spaces included, with the escapes \r, \n and \\ for CR, LF and a
// backslash, and adds the terminating NUL of CF_TEXT. With `ddeml`, a command that a
// server built on DDEML cannot carry out is an error too.
ParsedLine ParseCommand(std::string_view line, bool ddeml = false);

// "48 65 6c" or "48656C": pairs of hex digits, blanks between pairs allowed.
bool DecodeHex(std::string_view hex, std::string& bytes);

}  // namespace standin
