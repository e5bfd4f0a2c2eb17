// satpc32-standin.exe: a scriptable stand-in for SatPC32's DDE server.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dde_server.h"
#include "ddeml_server.h"
#include "event_log.h"
#include "help_text.h"
#include "script_command.h"
#include "script_player.h"
#include "standin_options.h"
#include "stdin_reader.h"

namespace {

constexpr int kExitStartFailed = 1;
constexpr int kExitUsage = 2;

struct ScriptLine {
    std::string text;
    standin::Command command;
};

// Reads and checks the whole script file before anything is served.
bool load_script(const std::string& path, bool ddeml, std::vector<ScriptLine>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "satpc32-standin: cannot read script %s\n", path.c_str());
        return false;
    }
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        standin::ParsedLine parsed = standin::parse_command(text, ddeml);
        if (!parsed.ok) {
            std::fprintf(stderr, "satpc32-standin: %s line %d: %s\n", path.c_str(), number, parsed.error.c_str());
            return false;
        }
        if (parsed.command.kind != standin::CommandKind::Nothing) lines.push_back({text, std::move(parsed.command)});
    }
    return true;
}

int serve(const standin::Options& options) {
    std::vector<ScriptLine> script;
    if (!options.script_path.empty() && !load_script(options.script_path, options.ddeml, script)) return kExitUsage;

    standin::EventLog log;
    if (!options.log_path.empty() && !log.open_file(options.log_path)) {
        std::fprintf(stderr, "satpc32-standin: cannot write log %s\n", options.log_path.c_str());
        return kExitUsage;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    std::unique_ptr<standin::TrackerServer> server;
    if (options.ddeml) server = std::make_unique<standin::DdemlServer>(log);
    else server = std::make_unique<standin::DdeServer>(log);
    standin::ScriptPlayer player(*server, log, options.exit_at_end, options.ddeml);
    if (!server->start(instance) || !player.create_window(instance)) {
        std::fprintf(stderr, "satpc32-standin: cannot create the DDE windows (error %lu)\n", GetLastError());
        return kExitStartFailed;
    }
    log.line("ready");

    if (options.script_path.empty()) {
        if (!standin::start_stdin_reader(player.window())) return kExitStartFailed;
    } else {
        for (ScriptLine& line : script) player.add_command(std::move(line.text), std::move(line.command));
        player.end_of_input();
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const standin::ParsedOptions parsed = standin::parse_options(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "satpc32-standin: %s (try --help)\n", parsed.error.c_str());
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(standin::help_text(), stdout);
        return 0;
    }
    const int code = serve(parsed.options);
    std::fflush(nullptr);
    // ExitProcess directly: the stdin reader thread may still be blocked in ReadFile.
    ExitProcess(static_cast<UINT>(code));
}
