#include "standin_process.h"

#include "message_pump.h"

namespace standin_test {
namespace {

std::string Quoted(const std::string& s)
{
    std::string q(1, '"');
    q.append(s);
    q.push_back('"');
    return q;
}

}  // namespace

std::string BesideTestProgram(const std::string& name)
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + name;
}

StandinProcess::StandinProcess(const std::vector<std::string>& args)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childIn = nullptr;
    HANDLE childOut = nullptr;
    if (!CreatePipe(&childIn, &input_, &inherit, 0) || !CreatePipe(&output_, &childOut, &inherit, 0)) {
        return;
    }
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

    std::string command = Quoted(BesideTestProgram("satpc32-standin.exe"));
    for (const std::string& a : args) {
        command.append(1, ' ').append(Quoted(a));
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        process_ = info.hProcess;
        CloseHandle(info.hThread);
    }
    CloseHandle(childIn);
    CloseHandle(childOut);
    lineArrived_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    reader_ = std::thread([this] { ReadOutput(); });
}

StandinProcess::~StandinProcess()
{
    CloseInput();
    if (process_ && ExitCode(0) < 0) {
        TerminateProcess(process_, 99);
    }
    if (process_) {
        WaitForSingleObject(process_, 5000);
    }
    if (reader_.joinable()) {
        reader_.join();  // the pipe breaks when the child is gone
    }
    for (HANDLE h : {process_, output_, lineArrived_}) {
        if (h) {
            CloseHandle(h);
        }
    }
}

void StandinProcess::Send(const std::string& line)
{
    const std::string text = line + "\n";
    DWORD written = 0;
    if (input_) {
        WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

void StandinProcess::CloseInput()
{
    if (input_) {
        CloseHandle(input_);
    }
    input_ = nullptr;
}

void StandinProcess::ReadOutput()
{
    std::string line;
    char buffer[1024];
    DWORD got = 0;
    while (output_ && ReadFile(output_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            if (buffer[i] != '\n') {
                line.push_back(buffer[i]);
                continue;
            }
            {
                std::lock_guard lock(mutex_);
                lines_.push_back(line);
            }
            line.clear();
            SetEvent(lineArrived_);
        }
    }
}

std::string StandinProcess::Expect(const std::string& prefix, DWORD timeoutMs)
{
    std::string found;
    PumpUntil(
        [&] {
            std::lock_guard lock(mutex_);
            for (std::size_t i = next_; i < lines_.size(); ++i) {
                if (lines_[i].rfind(prefix, 0) == 0) {
                    found = lines_[i];
                    next_ = i + 1;
                    return true;
                }
            }
            return false;
        },
        timeoutMs, lineArrived_);
    return found;
}

bool StandinProcess::Saw(const std::string& prefix)
{
    std::lock_guard lock(mutex_);
    for (const std::string& l : lines_) {
        if (l.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

long StandinProcess::ExitCode(DWORD timeoutMs)
{
    if (!process_) {
        return -1;
    }
    DWORD code = 0;
    const bool ended = PumpUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (!ended || !GetExitCodeProcess(process_, &code)) {
        return -1;
    }
    return static_cast<long>(code);
}

std::string StandinProcess::Transcript()
{
    std::lock_guard lock(mutex_);
    std::string all;
    for (const std::string& l : lines_) {
        all += l + "\n";
    }
    return all;
}

}  // namespace standin_test
