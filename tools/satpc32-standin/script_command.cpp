#include "script_command.h"

#include <charconv>

namespace standin {
namespace {

constexpr unsigned kMaxMilliseconds = 3'600'000;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool ParseUnsigned(std::string_view text, unsigned max, unsigned& value)
{
    if (text.empty()) {
        return false;
    }
    const auto* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc{} && ptr == end && value <= max;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

ParsedLine Fail(std::string message)
{
    return {false, {}, std::move(message)};
}
ParsedLine Done(Command command)
{
    return {true, std::move(command), {}};
}

// CR, LF and backslash written as \r, \n and \\; any other backslash is an error.
bool Unescape(std::string_view text, std::string& out)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        switch (text[i]) {
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                return false;
        }
    }
    return true;
}

ParsedLine ParseWords(std::string_view word, std::string_view arg, std::string_view rawRest)
{
    Command c;
    if (word == "set") {
        c.kind = CommandKind::Set;
        if (!Unescape(rawRest, c.payload)) {
            return Fail("set: a backslash must start \\r, \\n or \\\\");
        }
        c.payload.push_back('\0');
        return Done(std::move(c));
    }
    if (word == "sethex") {
        c.kind = CommandKind::SetHex;
        if (!DecodeHex(arg, c.payload)) {
            return Fail("sethex wants pairs of hex digits");
        }
        return Done(std::move(c));
    }
    if (word == "setfill") {
        c.kind = CommandKind::SetFill;
        const std::size_t blank = arg.find_first_of(" \t");
        unsigned size = 0;
        if (!ParseUnsigned(arg.substr(0, blank), kMaxFillBytes, size)) {
            return Fail("setfill wants a length in bytes (0 to 16777216) and a text");
        }
        // The text after the one blank that follows the length, untouched.
        const std::string_view lengthWord = arg.substr(0, blank);
        const std::size_t textStart =
            static_cast<std::size_t>(lengthWord.data() - rawRest.data()) + lengthWord.size() + 1;
        const std::string_view head = textStart < rawRest.size() ? rawRest.substr(textStart) : std::string_view{};
        c.payload.assign(head.substr(0, size));
        c.payload.append(size - c.payload.size(), '.');
        c.payload.push_back('\0');
        return Done(std::move(c));
    }
    if (word == "storm") {
        c.kind = CommandKind::Storm;
        const std::size_t firstBlank = arg.find_first_of(" \t");
        const std::string_view rest =
            firstBlank == std::string_view::npos ? std::string_view{} : Trim(arg.substr(firstBlank));
        const std::size_t secondBlank = rest.find_first_of(" \t");
        if (!ParseUnsigned(arg.substr(0, firstBlank), kMaxMilliseconds, c.milliseconds) ||
            !ParseUnsigned(rest.substr(0, secondBlank), kMaxStormRate, c.count) || c.count == 0) {
            return Fail("storm wants milliseconds (0 to 3600000), changes per second (1 to 1000000) and a text");
        }
        if (secondBlank != std::string_view::npos) {
            c.payload.assign(Trim(rest.substr(secondBlank)));
        }
        return Done(std::move(c));
    }
    if (word == "rawdata") {
        c.kind = CommandKind::RawData;
        if (arg.starts_with("item ") || arg.starts_with("item\t")) {
            const std::string_view rest = Trim(arg.substr(4));
            const std::size_t blank = rest.find_first_of(" \t");
            c.item.assign(rest.substr(0, blank));
            arg = blank == std::string_view::npos ? std::string_view{} : Trim(rest.substr(blank));
        }
        if (arg == "null") {
            c.nullBlock = true;
            return Done(std::move(c));
        }
        if (!DecodeHex(arg, c.payload)) {
            return Fail("rawdata wants pairs of hex digits or null");
        }
        return Done(std::move(c));
    }
    if (word == "wait" || word == "hang" || word == "busy" || word == "repeat") {
        c.kind = word == "wait"   ? CommandKind::Wait
                 : word == "hang" ? CommandKind::Hang
                 : word == "busy" ? CommandKind::Busy
                                  : CommandKind::Repeat;
        if (!ParseUnsigned(arg, kMaxMilliseconds, c.milliseconds)) {
            return Fail(std::string(word) + " wants milliseconds (0 to 3600000)");
        }
        return Done(std::move(c));
    }
    if (word == "refuse") {
        c.kind = CommandKind::Refuse;
        if (arg != "on" && arg != "off") {
            return Fail("refuse wants on or off");
        }
        c.refuse = arg == "on";
        return Done(std::move(c));
    }
    if (word == "advise") {
        c.kind = CommandKind::Advise;
        if (arg == "ok") {
            c.advise = AdviseMode::Ok;
        } else if (arg == "nack") {
            c.advise = AdviseMode::Nack;
        } else if (arg == "ignore") {
            c.advise = AdviseMode::Ignore;
        } else {
            return Fail("advise wants ok, nack or ignore");
        }
        return Done(std::move(c));
    }
    if (word == "format") {
        c.kind = CommandKind::Format;
        if (arg == "text") {
            c.format = kTextFormat;
        } else if (!ParseUnsigned(arg, 0xFFFF, c.format) || c.format == 0) {
            return Fail("format wants text or a clipboard format number (1 to 65535)");
        }
        return Done(std::move(c));
    }
    const struct {
        std::string_view name;
        CommandKind kind;
    } bare[] = {{"terminate", CommandKind::Terminate},
                {"vanish", CommandKind::Vanish},
                {"exit", CommandKind::Exit},
                {"quit", CommandKind::Quit}};
    for (const auto& b : bare) {
        if (word != b.name) {
            continue;
        }
        if (!arg.empty()) {
            return Fail(std::string(word) + " takes no argument");
        }
        c.kind = b.kind;
        return Done(std::move(c));
    }
    return Fail("unknown command '" + std::string(word) + "'");
}

// Why a server built on DDEML cannot do what `command` asks, or "" when it can.
std::string DdemlRefusal(const Command& command)
{
    switch (command.kind) {
        case CommandKind::RawData:
            return "rawdata: DDEML builds every DATA message itself";
        case CommandKind::Format:
            return "format: DDEML answers only in the format the client asked for";
        case CommandKind::Vanish:
            return "vanish: DDEML ends a conversation only with a terminate";
        case CommandKind::Advise:
            if (command.advise == AdviseMode::Ignore) {
                return "advise ignore: DDEML answers every WM_DDE_ADVISE";
            }
            return {};
        default:
            return {};
    }
}

}  // namespace

std::string StormText(const std::string& text, unsigned long long n)
{
    std::string item = text;
    item.push_back(' ');
    item += std::to_string(n);
    item.push_back('\0');
    return item;
}

bool DecodeHex(std::string_view hex, std::string& bytes)
{
    bytes.clear();
    std::size_t i = 0;
    while (i < hex.size()) {
        if (IsBlank(hex[i])) {
            ++i;
            continue;
        }
        if (i + 1 >= hex.size()) {
            return false;
        }
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

ParsedLine ParseCommand(std::string_view line, bool ddeml)
{
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const std::string_view body = Trim(line);
    if (body.empty() || body.front() == '#') {
        return Done({});
    }

    const std::size_t wordEnd = body.find_first_of(" \t");
    const std::string_view word = body.substr(0, wordEnd);
    // For `set`: everything after the one blank that follows the word, untouched.
    std::string_view rawRest;
    if (wordEnd != std::string_view::npos) {
        const std::size_t start = static_cast<std::size_t>(body.data() - line.data()) + wordEnd + 1;
        rawRest = line.substr(start);
    }
    const std::string_view arg = wordEnd == std::string_view::npos ? std::string_view{} : Trim(body.substr(wordEnd));
    ParsedLine parsed = ParseWords(word, arg, rawRest);
    if (parsed.ok && ddeml) {
        std::string refusal = DdemlRefusal(parsed.command);
        if (!refusal.empty()) {
            return Fail(std::move(refusal) + " (not with --ddeml)");
        }
    }
    return parsed;
}

}  // namespace standin
