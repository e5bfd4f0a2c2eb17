#pragma once
// One line of a stand-in script, parsed. Portable: no Windows types.
#include <string>
#include <string_view>

namespace standin {

enum class CommandKind { Nothing, Set, SetHex, Wait, Terminate, Exit, Quit, Refuse, Advise, Hang, Format };
enum class AdviseMode { Ok, Nack, Ignore };

inline constexpr unsigned kTextFormat = 1;  // CF_TEXT

struct Command {
    CommandKind kind = CommandKind::Nothing;  // Nothing: blank line or comment
    std::string payload;                      // Set, SetHex: the exact bytes of the item
    unsigned milliseconds = 0;                // Wait, Hang
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
// as it stands, spaces included, and adds the terminating NUL of CF_TEXT.
ParsedLine parse_command(std::string_view line);

// "48 65 6c" or "48656C": pairs of hex digits, blanks between pairs allowed.
bool decode_hex(std::string_view hex, std::string& bytes);

}  // namespace standin
