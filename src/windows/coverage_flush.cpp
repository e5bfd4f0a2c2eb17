// Coverage builds only (cmake/coverage.cmake): korvane.exe writes its coverage data however it
// ends in a test. At its ordinary end (Quit, the frame's close) the data is written before the
// C runtime's exit handlers that GCC's own writer uses; a test that is about to end it with
// TerminateProcess first sets the event "Local\korvane-coverage-flush-<process id>" and waits
// for "Local\korvane-coverage-flushed-<process id>" (tests/e2e/driver/child_process.cpp).
//
// Each run leaves a file in KORVANE_COVERAGE_RUNS_DIR: "started", then one "written ..." line
// once its data is out. A run ended otherwise (killed by a time-out, its session stopped) keeps
// only "started": scripts/coverage-report.py counts those as runs whose share is lost.
#include <windows.h>

#include <cstdlib>
#include <mutex>
#include <string>

extern "C" void __gcov_dump(void);

namespace {

class CoverageFlush {
public:
    CoverageFlush()
    {
        CreateDirectoryA(KORVANE_COVERAGE_RUNS_DIR, nullptr);
        const std::string pid = std::to_string(GetCurrentProcessId());
        const std::string name =
            std::string(KORVANE_COVERAGE_RUNS_DIR) + "/run-" + pid + "-" + std::to_string(GetTickCount64()) + ".txt";
        log_ = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        Note("started\n");
        flush_ = CreateEventA(nullptr, FALSE, FALSE, ("Local\\korvane-coverage-flush-" + pid).c_str());
        flushed_ = CreateEventA(nullptr, FALSE, FALSE, ("Local\\korvane-coverage-flushed-" + pid).c_str());
        std::atexit([] { Instance().Write("written at exit\n"); });
        if (flush_ != nullptr && flushed_ != nullptr) {
            CloseHandle(CreateThread(nullptr, 0, &CoverageFlush::WaitForRequest, this, 0, nullptr));
        }
    }

    static CoverageFlush& Instance();

private:
    static DWORD WINAPI WaitForRequest(void* self)
    {
        auto& flush = *static_cast<CoverageFlush*>(self);
        WaitForSingleObject(flush.flush_, INFINITE);
        flush.Write("written on request\n");
        SetEvent(flush.flushed_);
        return 0;
    }

    // Once per run: GCC's writer then leaves the data alone at exit.
    void Write(const char* how)
    {
        const std::lock_guard lock(mutex_);
        if (!written_) {
            __gcov_dump();
            written_ = true;
            Note(how);
        }
    }

    void Note(const char* line)
    {
        DWORD ignored = 0;
        if (log_ != INVALID_HANDLE_VALUE) {
            WriteFile(log_, line, static_cast<DWORD>(std::char_traits<char>::length(line)), &ignored, nullptr);
        }
    }

    std::mutex mutex_;
    bool written_ = false;
    HANDLE log_ = INVALID_HANDLE_VALUE;
    HANDLE flush_ = nullptr;
    HANDLE flushed_ = nullptr;
};

// Never destroyed: its exit handler runs after the static objects' destructors.
CoverageFlush& CoverageFlush::Instance()
{
    static auto* const flush = new CoverageFlush;
    return *flush;
}

// Made before WinMain, so that the exit handler above runs before GCC's own writer.
[[maybe_unused]] const CoverageFlush& kStarted = CoverageFlush::Instance();

}  // namespace
