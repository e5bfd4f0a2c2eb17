#include "standin.h"

#include <stdexcept>

namespace korvane::e2e {

StandIn::StandIn(const std::string& exePath, TrackerKind kind)
{
    ChildProcess::Options options;
    const char* const kindOption = kind == TrackerKind::Ddeml       ? " --ddeml"
                                   : kind == TrackerKind::OneWindow ? " --one-window"
                                                                    : "";
    options.commandLine = "\"" + exePath + "\"" + kindOption;
    options.pipeStdin = true;
    options.pipeStdout = true;
    process_ = std::make_unique<ChildProcess>(options);
    reader_ = std::thread([this] {
        std::string partial;
        for (std::string chunk = process_->Read(); !chunk.empty(); chunk = process_->Read()) {
            partial += chunk;
            for (auto end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
                std::string line = partial.substr(0, end);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                events_.Push(std::move(line));
                partial.erase(0, end + 1);
            }
        }
        events_.Close();
    });
    if (!WaitEvent("ready", std::chrono::milliseconds(10000))) {
        throw std::runtime_error("the stand-in did not report ready:\n" + Transcript());
    }
}

StandIn::~StandIn()
{
    process_->Kill();
    if (reader_.joinable()) {
        reader_.join();
    }
}

void StandIn::Send(const std::string& command)
{
    process_->Write(command + "\n");
}

std::optional<std::string> StandIn::WaitEvent(const std::string& prefix, std::chrono::milliseconds timeout)
{
    return events_.TakeStartingWith(prefix, timeout);
}

bool StandIn::HasEvent(const std::string& prefix)
{
    return events_.HasPending([&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

std::string StandIn::Transcript()
{
    std::string text;
    for (const auto& line : events_.History()) {
        text += "  " + line + "\n";
    }
    return text;
}

}  // namespace korvane::e2e
