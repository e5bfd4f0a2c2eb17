#include "script_command.h"

#include <charconv>

namespace standin {
namespace {

constexpr unsigned kMaxMilliseconds = 3'600'000;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

bool parse_unsigned(std::string_view text, unsigned max, unsigned& value) {
    if (text.empty()) return false;
    const auto* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc{} && ptr == end && value <= max;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

ParsedLine fail(std::string message) { return {false, {}, std::move(message)}; }
ParsedLine done(Command command) { return {true, std::move(command), {}}; }

// CR, LF and backslash written as \r, \n and \\; any other backslash is an error.
bool unescape(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
        case 'r': out.push_back('\r'); break;
        case 'n': out.push_back('\n'); break;
        case '\\': out.push_back('\\'); break;
        default: return false;
        }
    }
    return true;
}

ParsedLine parse_words(std::string_view word, std::string_view arg, std::string_view raw_rest) {
    Command c;
    if (word == "set") {
        c.kind = CommandKind::Set;
        if (!unescape(raw_rest, c.payload)) return fail("set: a backslash must start \\r, \\n or \\\\");
        c.payload.push_back('\0');
        return done(std::move(c));
    }
    if (word == "sethex") {
        c.kind = CommandKind::SetHex;
        if (!decode_hex(arg, c.payload)) return fail("sethex wants pairs of hex digits");
        return done(std::move(c));
    }
    if (word == "setfill") {
        c.kind = CommandKind::SetFill;
        const std::size_t blank = arg.find_first_of(" \t");
        unsigned size = 0;
        if (!parse_unsigned(arg.substr(0, blank), kMaxFillBytes, size))
            return fail("setfill wants a length in bytes (0 to 16777216) and a text");
        // The text after the one blank that follows the length, untouched.
        const std::string_view length_word = arg.substr(0, blank);
        const std::size_t text_start =
            static_cast<std::size_t>(length_word.data() - raw_rest.data()) + length_word.size() + 1;
        const std::string_view head = text_start < raw_rest.size() ? raw_rest.substr(text_start) : std::string_view{};
        c.payload.assign(head.substr(0, size));
        c.payload.append(size - c.payload.size(), '.');
        c.payload.push_back('\0');
        return done(std::move(c));
    }
    if (word == "storm") {
        c.kind = CommandKind::Storm;
        const std::size_t first_blank = arg.find_first_of(" \t");
        const std::string_view rest = first_blank == std::string_view::npos ? std::string_view{} : trim(arg.substr(first_blank));
        const std::size_t second_blank = rest.find_first_of(" \t");
        if (!parse_unsigned(arg.substr(0, first_blank), kMaxMilliseconds, c.milliseconds) ||
            !parse_unsigned(rest.substr(0, second_blank), kMaxStormRate, c.count) || c.count == 0)
            return fail("storm wants milliseconds (0 to 3600000), changes per second (1 to 1000000) and a text");
        if (second_blank != std::string_view::npos) c.payload.assign(trim(rest.substr(second_blank)));
        return done(std::move(c));
    }
    if (word == "rawdata") {
        c.kind = CommandKind::RawData;
        if (arg == "null") {
            c.null_block = true;
            return done(std::move(c));
        }
        if (!decode_hex(arg, c.payload)) return fail("rawdata wants pairs of hex digits or null");
        return done(std::move(c));
    }
    if (word == "wait" || word == "hang" || word == "repeat") {
        c.kind = word == "wait" ? CommandKind::Wait : word == "hang" ? CommandKind::Hang : CommandKind::Repeat;
        if (!parse_unsigned(arg, kMaxMilliseconds, c.milliseconds))
            return fail(std::string(word) + " wants milliseconds (0 to 3600000)");
        return done(std::move(c));
    }
    if (word == "refuse") {
        c.kind = CommandKind::Refuse;
        if (arg != "on" && arg != "off") return fail("refuse wants on or off");
        c.refuse = arg == "on";
        return done(std::move(c));
    }
    if (word == "advise") {
        c.kind = CommandKind::Advise;
        if (arg == "ok") c.advise = AdviseMode::Ok;
        else if (arg == "nack") c.advise = AdviseMode::Nack;
        else if (arg == "ignore") c.advise = AdviseMode::Ignore;
        else return fail("advise wants ok, nack or ignore");
        return done(std::move(c));
    }
    if (word == "format") {
        c.kind = CommandKind::Format;
        if (arg == "text") c.format = kTextFormat;
        else if (!parse_unsigned(arg, 0xFFFF, c.format) || c.format == 0)
            return fail("format wants text or a clipboard format number (1 to 65535)");
        return done(std::move(c));
    }
    const struct { std::string_view name; CommandKind kind; } bare[] = {
        {"terminate", CommandKind::Terminate}, {"exit", CommandKind::Exit}, {"quit", CommandKind::Quit}};
    for (const auto& b : bare) {
        if (word != b.name) continue;
        if (!arg.empty()) return fail(std::string(word) + " takes no argument");
        c.kind = b.kind;
        return done(std::move(c));
    }
    return fail("unknown command '" + std::string(word) + "'");
}

// Why a server built on DDEML cannot do what `command` asks, or "" when it can.
std::string ddeml_refusal(const Command& command) {
    switch (command.kind) {
    case CommandKind::RawData: return "rawdata: DDEML builds every DATA message itself";
    case CommandKind::Format: return "format: DDEML answers only in the format the client asked for";
    case CommandKind::Advise:
        if (command.advise == AdviseMode::Ignore) return "advise ignore: DDEML answers every WM_DDE_ADVISE";
        return {};
    default: return {};
    }
}

}  // namespace

std::string storm_text(const std::string& text, unsigned long long n) {
    std::string item = text;
    item.push_back(' ');
    item += std::to_string(n);
    item.push_back('\0');
    return item;
}

bool decode_hex(std::string_view hex, std::string& bytes) {
    bytes.clear();
    std::size_t i = 0;
    while (i < hex.size()) {
        if (is_blank(hex[i])) { ++i; continue; }
        if (i + 1 >= hex.size()) return false;
        const int high = hex_digit(hex[i]);
        const int low = hex_digit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

ParsedLine parse_command(std::string_view line, bool ddeml) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view body = trim(line);
    if (body.empty() || body.front() == '#') return done({});

    const std::size_t word_end = body.find_first_of(" \t");
    const std::string_view word = body.substr(0, word_end);
    // For `set`: everything after the one blank that follows the word, untouched.
    std::string_view raw_rest;
    if (word_end != std::string_view::npos) {
        const std::size_t start = static_cast<std::size_t>(body.data() - line.data()) + word_end + 1;
        raw_rest = line.substr(start);
    }
    const std::string_view arg = word_end == std::string_view::npos ? std::string_view{} : trim(body.substr(word_end));
    ParsedLine parsed = parse_words(word, arg, raw_rest);
    if (parsed.ok && ddeml) {
        std::string refusal = ddeml_refusal(parsed.command);
        if (!refusal.empty()) return fail(std::move(refusal) + " (not with --ddeml)");
    }
    return parsed;
}

}  // namespace standin
