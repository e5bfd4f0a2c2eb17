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
bool LoadScript(const std::string& path, bool ddeml, std::vector<ScriptLine>& lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "satpc32-standin: cannot read script %s\n", path.c_str());
        return false;
    }
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        standin::ParsedLine parsed = standin::ParseCommand(text, ddeml);
        if (!parsed.ok) {
            std::fprintf(stderr, "satpc32-standin: %s line %d: %s\n", path.c_str(), number, parsed.error.c_str());
            return false;
        }
        if (parsed.command.kind != standin::CommandKind::Nothing) {
            lines.push_back({text, std::move(parsed.command)});
        }
    }
    return true;
}

int Serve(const standin::Options& options)
{
    std::vector<ScriptLine> script;
    if (!options.scriptPath.empty() && !LoadScript(options.scriptPath, options.ddeml, script)) {
        return kExitUsage;
    }

    standin::EventLog log;
    if (!options.logPath.empty() && !log.OpenFile(options.logPath)) {
        std::fprintf(stderr, "satpc32-standin: cannot write log %s\n", options.logPath.c_str());
        return kExitUsage;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    std::unique_ptr<standin::TrackerServer> server;
    if (options.ddeml) {
        server = std::make_unique<standin::DdemlServer>(log);
    } else {
        server = std::make_unique<standin::DdeServer>(log, options.oneWindow);
    }
    standin::ScriptPlayer player(*server, log, options.exitAtEnd, options.ddeml);
    if (!server->Start(instance) || !player.MakeWindow(instance)) {
        std::fprintf(stderr, "satpc32-standin: cannot create the DDE windows (error %lu)\n", GetLastError());
        return kExitStartFailed;
    }
    log.Line("ready");

    if (options.scriptPath.empty()) {
        if (!standin::StartStdinReader(player.Window())) {
            return kExitStartFailed;
        }
    } else {
        for (ScriptLine& line : script) {
            player.AddCommand(std::move(line.text), std::move(line.command));
        }
        player.EndOfInput();
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const standin::ParsedOptions parsed = standin::ParseOptions(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "satpc32-standin: %s (try --help)\n", parsed.error.c_str());
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(standin::HelpText(), stdout);
        return 0;
    }
    const int code = Serve(parsed.options);
    std::fflush(nullptr);
    // ExitProcess directly: the stdin reader thread may still be blocked in ReadFile.
    ExitProcess(static_cast<UINT>(code));
}
