#include "child_process.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

namespace korvane::e2e {
namespace {

std::string NameOf(const std::string& entry)
{
    std::string name = entry.substr(0, entry.find('=', 1));
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

// This process's environment block with the extra "NAME=value" entries put in place of any
// entries of the same name.
std::vector<char> BuildEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> entries;
    char* own = GetEnvironmentStringsA();
    for (const char* entry = own; *entry != '\0'; entry += std::strlen(entry) + 1) {
        entries.emplace_back(entry);
    }
    FreeEnvironmentStringsA(own);
    for (const auto& added : extra) {
        std::erase_if(entries, [&](const std::string& entry) { return NameOf(entry) == NameOf(added); });
        entries.push_back(added);
    }
    // Windows keeps the block sorted by name, case-blind, and lookups may rely on that.
    std::sort(entries.begin(), entries.end(),
              [](const std::string& a, const std::string& b) { return NameOf(a) < NameOf(b); });
    std::vector<char> block;
    for (const auto& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

void MakePipe(HANDLE& read, HANDLE& write, HANDLE& keepPrivate)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!CreatePipe(&read, &write, &inherit, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    SetHandleInformation(keepPrivate, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

ChildProcess::ChildProcess(const Options& options)
{
    HANDLE childStdin = nullptr;
    HANDLE childStdout = nullptr;
    if (options.pipeStdin) {
        MakePipe(childStdin, stdinWrite_, stdinWrite_);
    }
    if (options.pipeStdout) {
        MakePipe(stdoutRead_, childStdout, stdoutRead_);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (options.pipeStdin || options.pipeStdout) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childStdin != nullptr ? childStdin : GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = childStdout != nullptr ? childStdout : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = childStdout != nullptr ? childStdout : GetStdHandle(STD_ERROR_HANDLE);
    }

    std::vector<char> environment = BuildEnvironment(options.extraEnvironment);
    const BOOL inherit = (options.pipeStdin || options.pipeStdout) ? TRUE : FALSE;
    auto start = [&]() -> BOOL {
        if (!options.wideCommandLine.empty()) {
            std::vector<wchar_t> commandLine(options.wideCommandLine.begin(), options.wideCommandLine.end());
            commandLine.push_back(L'\0');
            STARTUPINFOW wideStartup{};
            wideStartup.cb = sizeof wideStartup;
            wideStartup.dwFlags = startup.dwFlags;
            wideStartup.hStdInput = startup.hStdInput;
            wideStartup.hStdOutput = startup.hStdOutput;
            wideStartup.hStdError = startup.hStdError;
            return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inherit, 0, environment.data(),
                                  options.wideWorkingDirectory.empty() ? nullptr : options.wideWorkingDirectory.c_str(),
                                  &wideStartup, &info_);
        }
        std::vector<char> commandLine(options.commandLine.begin(), options.commandLine.end());
        commandLine.push_back('\0');
        return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, inherit, 0, environment.data(),
                              options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
                              &info_);
    };
    // Wine's CreateProcess now and then refuses a start on a busy machine (ERROR_INTERNAL_ERROR):
    // such a start is tried again, twice at most.
    BOOL created = start();
    for (int retry = 0; !created && GetLastError() == ERROR_INTERNAL_ERROR && retry < 2; ++retry) {
        Sleep(500);
        created = start();
    }
    if (childStdin != nullptr) {
        CloseHandle(childStdin);
    }
    if (childStdout != nullptr) {
        CloseHandle(childStdout);
    }
    if (!created) {
        throw std::runtime_error("CreateProcess failed (" + std::to_string(GetLastError()) +
                                 "): " + (options.commandLine.empty() ? "(wide command line)" : options.commandLine));
    }
}

ChildProcess::~ChildProcess()
{
    Kill();
    CloseStdin();
    if (stdoutRead_ != nullptr) {
        CloseHandle(stdoutRead_);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool ChildProcess::IsRunning() const
{
    return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(std::chrono::milliseconds timeout) const
{
    return WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

#ifdef KORVANE_COVERAGE_FLUSH
namespace {

// Coverage builds: a korvane.exe about to be ended writes its coverage data first, on the
// events that src/windows/coverage_flush.cpp waits on. Other programs have no such event.
void AskForCoverageData(DWORD process)
{
    const std::string pid = std::to_string(process);
    const HANDLE flush = OpenEventA(EVENT_MODIFY_STATE, FALSE, ("Local\\korvane-coverage-flush-" + pid).c_str());
    const HANDLE flushed = OpenEventA(SYNCHRONIZE, FALSE, ("Local\\korvane-coverage-flushed-" + pid).c_str());
    if (flush != nullptr && flushed != nullptr && SetEvent(flush)) {
        WaitForSingleObject(flushed, 10000);
    }
    for (const HANDLE event : {flush, flushed}) {
        if (event != nullptr) {
            CloseHandle(event);
        }
    }
}

}  // namespace
#endif

void ChildProcess::Kill()
{
    if (IsRunning()) {
#ifdef KORVANE_COVERAGE_FLUSH
        AskForCoverageData(info_.dwProcessId);
#endif
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

bool ChildProcess::Write(const std::string& text)
{
    if (stdinWrite_ == nullptr) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(stdinWrite_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
           written == text.size();
}

void ChildProcess::CloseStdin()
{
    if (stdinWrite_ != nullptr) {
        CloseHandle(stdinWrite_);
        stdinWrite_ = nullptr;
    }
}

std::string ChildProcess::Read()
{
    char buffer[4096];
    DWORD got = 0;
    if (stdoutRead_ == nullptr || !ReadFile(stdoutRead_, buffer, sizeof buffer, &got, nullptr) || got == 0) {
        return {};
    }
    return std::string(buffer, got);
}

}  // namespace korvane::e2e
