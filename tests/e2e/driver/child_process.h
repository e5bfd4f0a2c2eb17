#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace korvane::e2e {

// A Windows process started by a test. Killed on destruction if still running, whatever
// the test's outcome.
class ChildProcess {
public:
    struct Options {
        std::string commandLine;
        std::string workingDirectory;  // empty: the test's own
        // Used instead of the two above when not empty, for names outside the ANSI code page.
        std::wstring wideCommandLine;
        std::wstring wideWorkingDirectory;
        std::vector<std::string> extraEnvironment;  // "NAME=value", added to this process's block
        bool pipeStdin = false;
        bool pipeStdout = false;  // stdout and stderr together
    };

    explicit ChildProcess(const Options& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }
    bool IsRunning() const;
    bool WaitForExit(std::chrono::milliseconds timeout) const;
    void Kill();

    // Writes to the child's stdin; false once the pipe is closed.
    bool Write(const std::string& text);
    void CloseStdin();
    // Blocking read of the child's stdout; empty at end of stream.
    std::string Read();

private:
    PROCESS_INFORMATION info_{};
    HANDLE stdinWrite_ = nullptr;
    HANDLE stdoutRead_ = nullptr;
};

}  // namespace korvane::e2e
