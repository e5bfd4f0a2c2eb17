#pragma once
// Runs satpc32-standin.exe (found beside the test program) with piped standard
// input and output, feeds it script lines and follows its event lines.
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace standin_test {

class StandinProcess {
public:
    explicit StandinProcess(const std::vector<std::string>& args = {});
    ~StandinProcess();
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    void Send(const std::string& line);  // one script line
    void CloseInput();
    // Waits (pumping messages) for the next event line, after the last one matched,
    // that starts with `prefix`; returns it, or "" on time-out.
    std::string Expect(const std::string& prefix, DWORD timeoutMs = 10000);
    // True if some line starting with `prefix` came at any time.
    bool Saw(const std::string& prefix);
    // Exit code once it has ended, or -1 if it is still running after timeoutMs.
    long ExitCode(DWORD timeoutMs = 10000);
    std::string Transcript();

private:
    void ReadOutput();

    HANDLE process_ = nullptr;
    HANDLE input_ = nullptr;
    HANDLE output_ = nullptr;
    HANDLE lineArrived_ = nullptr;
    std::thread reader_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;  // where Expect() searches from
};

// Full Windows path of a file beside the test program.
std::string BesideTestProgram(const std::string& name);

}  // namespace standin_test
