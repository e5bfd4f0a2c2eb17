#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "child_process.h"
#include "sound_log.h"
#include "temp_folder.h"

namespace korvane::e2e {

// korvane.exe running from a copy in its own temporary folder. With the fake sound library
// (the default) a logging winmm.dll lies in the system folder and Wine is told to prefer it
// for korvane.exe; otherwise
// the program gets Wine's own winmm and whatever sound files the test put into Folder().
class KorvaneApp {
public:
    struct Options {
        bool fakeSound = true;
        unsigned holdMs = 150;  // how long each synchronous fake sound holds the program
        // The screen's dots per inch the program starts at (Wine's LogPixels, as winecfg sets
        // it); 0 leaves the session's.
        int dotsPerInch = 0;
    };
    // Where and with what the program runs, beyond Options.
    struct Surroundings {
        // Wine's load order for winmm.dll ("" disables it, so that loading it fails); by
        // default "native,builtin" with the fake sound library and "builtin" without.
        std::optional<std::string> winmmLoadOrder;
        // A folder (any Unicode name) inside the temporary folder to run the program from;
        // the sound log stays in the temporary folder itself.
        std::wstring subfolder;
        // Wine's X11 driver leaves the window unmanaged. Without a window manager (as in the
        // test session) Wine otherwise waits 2 s for the withdrawal of a destroyed managed
        // window before the process can end, whatever the program does.
        bool unmanagedWindow = false;
        // Runs korvane.exe where it lies (an installed copy) instead of from a copy; the fake
        // sound library is put beside it for the run and removed at the end.
        bool inPlace = false;
    };

    KorvaneApp();
    explicit KorvaneApp(const Options& options);
    KorvaneApp(const Options& options, const Surroundings& surroundings);
    ~KorvaneApp();
    KorvaneApp(const KorvaneApp&) = delete;
    KorvaneApp& operator=(const KorvaneApp&) = delete;

    const TempFolder& Folder() const { return folder_; }
    // The Windows path of the program's folder, as the program itself would name it.
    std::string ExeFolder() const;
    std::wstring ExeFolderWide() const { return exeFolder_; }
    ChildProcess& Process() { return *process_; }
    HWND Window() const { return window_; }
    HWND Control(int id) const;

    // Text, class, visibility and place of one control.
    std::optional<std::string> Text(int id) const;  // asks the control (WM_GETTEXT)
    std::string StoredText(int id) const;           // without asking the program's thread
    std::string Status() const;                     // the status line, as stored
    std::string Mirror() const;                     // the mirror, as stored
    HWND Focus() const;

    void Click(int id) const;  // posts BM_CLICK to the button
    // Sends BM_CLICK, as a screen reader's or an automation tool's default action does; returns
    // once the program has handled the click.
    void ClickBySending(int id) const;
    void Close() const;  // posts WM_CLOSE to the window

    bool WaitForStatus(const std::string& text,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) const;
    // The status and the mirror are read as the window stores them, not through the program's
    // thread, so one can be seen before the handler that writes both has written the other.
    bool WaitForMirror(const std::string& text,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) const;
    bool WaitForExit(std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) const;

    std::string SoundLogPath() const { return folder_.File("sounds.log"); }
    SoundLog Sounds() const { return ReadSoundLog(SoundLogPath()); }
    // Waits until the log holds at least count calls; returns the log as it then is.
    SoundLog WaitForSoundCalls(size_t count,
                               std::chrono::milliseconds timeout = std::chrono::milliseconds(15000)) const;

private:
    TempFolder folder_;
    std::wstring exeFolder_;
    std::unique_ptr<ChildProcess> process_;
    HWND window_ = nullptr;
};

}  // namespace korvane::e2e
