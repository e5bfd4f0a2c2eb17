#include "korvane_app.h"

#include <stdexcept>

#include "app/main_window_layout.h"
#include "test_paths.h"
#include "wait_until.h"
#include "wide_text.h"
#include "window_probe.h"

namespace korvane::e2e {
namespace {

void CopyOrThrow(const std::string& from, const std::wstring& to)
{
    if (!CopyFileW(Wide(from).c_str(), to.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + from + " to " + Ansi(to));
    }
}

// Wine takes the load order of a DLL from the registry key of the program that loads it.
// (WINEDLLOVERRIDES in a child's environment block does not work: Wine puts the value from
// the Unix environment back in.) "native,builtin" makes korvane.exe take the recording
// winmm.dll in the system folder; "builtin" gives it Wine's own.
void SetWinmmLoadOrder(const std::string& order)
{
    HKEY key = nullptr;
    const char* path = "Software\\Wine\\AppDefaults\\korvane.exe\\DllOverrides";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot open HKCU\\" + std::string(path));
    }
    const LSTATUS status = RegSetValueExA(key, "winmm", 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
                                          static_cast<DWORD>(order.size() + 1));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        throw std::runtime_error("cannot set the load order of winmm.dll");
    }
}

// The recording winmm.dll goes where Windows keeps its own (the test session's prefix is the
// tests' own), since korvane.exe takes winmm.dll from the system folder only. Other programs
// keep Wine's builtin one; korvane.exe is told to prefer this one (SetWinmmLoadOrder).
void PlaceFakeWinmmInSystemFolder()
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        throw std::runtime_error("cannot find the system folder");
    }
    CopyOrThrow(Paths().fakeWinmm, std::wstring(folder, length) + L"\\winmm.dll");
}

// "Managed" = "N" under the X11 driver key of korvane.exe, or the value removed (the default).
void SetWindowManaged(bool managed)
{
    HKEY key = nullptr;
    const char* path = "Software\\Wine\\AppDefaults\\korvane.exe\\X11 Driver";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot open HKCU\\" + std::string(path));
    }
    if (managed) {
        RegDeleteValueA(key, "Managed");
    } else {
        RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    }
    RegCloseKey(key);
}

// Wine's screen resolution, the LogPixels value that winecfg sets, for the programs that start
// while this is held (a program reads it as it starts); put back as it was afterwards.
class ScreenResolutionAtStart {
public:
    explicit ScreenResolutionAtStart(int dotsPerInch)
    {
        if (dotsPerInch == 0) {
            return;
        }
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot open HKCU\\" + std::string(kKey));
        }
        DWORD size = sizeof(previous_);
        hadValue_ = RegQueryValueExA(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_), &size) ==
                    ERROR_SUCCESS;
        if (!Set(static_cast<DWORD>(dotsPerInch))) {
            RegCloseKey(key_);
            throw std::runtime_error("cannot set the screen's resolution to " + std::to_string(dotsPerInch) + " dpi");
        }
    }
    ~ScreenResolutionAtStart()
    {
        if (key_ == nullptr) {
            return;
        }
        if (hadValue_) {
            Set(previous_);
        } else {
            RegDeleteValueA(key_, kValue);
        }
        RegCloseKey(key_);
    }
    ScreenResolutionAtStart(const ScreenResolutionAtStart&) = delete;
    ScreenResolutionAtStart& operator=(const ScreenResolutionAtStart&) = delete;

private:
    static constexpr const char* kKey = "Control Panel\\Desktop";
    static constexpr const char* kValue = "LogPixels";

    bool Set(DWORD dotsPerInch) const
    {
        return RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dotsPerInch),
                              sizeof(dotsPerInch)) == ERROR_SUCCESS;
    }

    HKEY key_ = nullptr;
    DWORD previous_ = 0;
    bool hadValue_ = false;
};

}  // namespace

KorvaneApp::KorvaneApp() : KorvaneApp(Options{}) {}

KorvaneApp::KorvaneApp(const Options& options) : KorvaneApp(options, Surroundings{}) {}

KorvaneApp::KorvaneApp(const Options& options, const Surroundings& surroundings)
{
    // The window is read in the screen's pixels, not in coordinates scaled for a program unaware
    // of the screen's resolution.
    SetProcessDPIAware();
    std::wstring exe;
    if (surroundings.inPlace) {
        exe = Wide(Paths().korvaneExe);
        exeFolder_ = exe.substr(0, exe.find_last_of(L'\\'));
    } else {
        exeFolder_ = Wide(folder_.Path());
        if (!surroundings.subfolder.empty()) {
            exeFolder_ += L"\\" + surroundings.subfolder;
            if (!CreateDirectoryW(exeFolder_.c_str(), nullptr)) {
                throw std::runtime_error("cannot create the program's folder " + Ansi(exeFolder_));
            }
        }
        exe = exeFolder_ + L"\\korvane.exe";
        CopyOrThrow(Paths().korvaneExe, exe);
    }

    ChildProcess::Options launch;
    // Started by its folder's own name: the ANSI form of a folder outside the code page
    // would not lead there.
    launch.wideCommandLine = L"\"" + exe + L"\"";
    launch.wideWorkingDirectory = exeFolder_;
    if (options.fakeSound) {
        PlaceFakeWinmmInSystemFolder();
        launch.extraEnvironment = {"KORVANE_FAKE_WINMM_LOG=" + SoundLogPath(),
                                   "KORVANE_FAKE_WINMM_HOLD_MS=" + std::to_string(options.holdMs)};
    }
    SetWinmmLoadOrder(surroundings.winmmLoadOrder.value_or(options.fakeSound ? "native,builtin" : "builtin"));
    SetWindowManaged(!surroundings.unmanagedWindow);
    const ScreenResolutionAtStart resolution(options.dotsPerInch);
    process_ = std::make_unique<ChildProcess>(launch);

    const std::string caption(kMainWindowCaption);
    const bool found = WaitUntil(
        [&] {
            window_ = FindTopLevelWindow(process_->Id(), caption);
            return window_ != nullptr && IsWindowVisible(window_);
        },
        std::chrono::milliseconds(45000));  // Wine starting a program on a busy machine can take long
    if (!found) {
        DWORD exitCode = 0;
        const std::string state =
            process_->IsRunning() ? "running; its windows: " + DescribeTopLevelWindows(process_->Id())
            : GetExitCodeProcess(process_->Handle(), &exitCode) ? "ended with exit code " + std::to_string(exitCode)
                                                                : "ended";
        throw std::runtime_error("korvane.exe showed no window titled \"" + caption + "\" within 45 s (" + state + ")");
    }
}

KorvaneApp::~KorvaneApp()
{
    process_->Kill();
}

std::string KorvaneApp::ExeFolder() const
{
    return Ansi(exeFolder_);
}

HWND KorvaneApp::Control(int id) const
{
    return GetDlgItem(window_, id);
}

std::optional<std::string> KorvaneApp::Text(int id) const
{
    return AskText(Control(id));
}

std::string KorvaneApp::StoredText(int id) const
{
    return e2e::StoredText(Control(id));
}

std::string KorvaneApp::Status() const
{
    return StoredText(kStatusLine);
}

std::string KorvaneApp::Mirror() const
{
    return StoredText(kMirror);
}

HWND KorvaneApp::Focus() const
{
    return FocusOfThreadOwning(window_);
}

void KorvaneApp::Click(int id) const
{
    PostMessageA(Control(id), BM_CLICK, 0, 0);
}

void KorvaneApp::ClickBySending(int id) const
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(Control(id), BM_CLICK, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

void KorvaneApp::Close() const
{
    PostMessageA(window_, WM_CLOSE, 0, 0);
}

bool KorvaneApp::WaitForStatus(const std::string& text, std::chrono::milliseconds timeout) const
{
    return WaitUntil([&] { return Status() == text; }, timeout);
}

bool KorvaneApp::WaitForMirror(const std::string& text, std::chrono::milliseconds timeout) const
{
    return WaitUntil([&] { return Mirror() == text; }, timeout);
}

bool KorvaneApp::WaitForExit(std::chrono::milliseconds timeout) const
{
    return process_->WaitForExit(timeout);
}

SoundLog KorvaneApp::WaitForSoundCalls(size_t count, std::chrono::milliseconds timeout) const
{
    SoundLog log;
    WaitUntil(
        [&] {
            log = Sounds();
            return log.calls.size() >= count;
        },
        timeout);
    return log;
}

}  // namespace korvane::e2e
