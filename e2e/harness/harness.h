// Windows-side harness for end-to-end tests of the programs under Wine:
// start a program, find its windows, read and press its controls, answer
// its message boxes, read its exit code, prepare registry keys and game
// folders, and save screenshots.
//
// Reading another process's controls: Text() sends WM_GETTEXT and so needs
// the target's thread to be pumping messages; InternalText() reads the text
// the window manager keeps (static controls, captions) without waiting on
// the target, so it also works while the target's thread is busy.
#ifndef E2E_HARNESS_H
#define E2E_HARNESS_H

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "testsupport.h"

namespace e2e {

namespace fs = std::filesystem;

// --- waiting ---------------------------------------------------------------

// Calls done every few milliseconds until it is true (returns true) or the
// time-out passes (returns false).
bool WaitUntil(const std::function<bool()> &done, int timeout_ms, int poll_ms = 5);

// --- processes -------------------------------------------------------------

class Process {
public:
    // Starts exe with a working folder; throws std::runtime_error on failure.
    Process(const fs::path &exe, const fs::path &working_folder, const std::string &arguments = {});
    ~Process();  // ends the process if it still runs
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    DWORD id() const { return info_.dwProcessId; }
    bool Running() const;
    // Waits until the program's main thread waits for input (its message
    // loop runs); false on time-out.
    bool WaitForIdle(int timeout_ms);
    // Waits for the end; the exit code, or nullopt on time-out.
    std::optional<DWORD> Wait(int timeout_ms);
    void Kill();

private:
    PROCESS_INFORMATION info_{};
};

// --- windows and controls --------------------------------------------------

// Visible top-level windows of a process, optionally by class and caption.
// Matching a caption may wait until the program pumps its messages; match
// by class alone to see a program whose thread is still busy.
std::vector<HWND> TopWindows(DWORD process, const char *window_class = nullptr,
                             const char *caption = nullptr);
HWND WaitForWindow(DWORD process, const char *window_class, const char *caption, int timeout_ms);

struct Control {
    HWND hwnd;
    int id;
    std::string window_class;
    std::string text;
    bool enabled;
    bool visible;
};
std::vector<Control> Children(HWND parent);

// The visible child window at a client point of parent (the innermost),
// or nullptr.
HWND ChildAt(HWND parent, int x, int y);
// Sets a control's text as typing would (WM_SETTEXT; edits notify their
// parent of the change).
void SetText(HWND window, const std::string &text);
// A key pressed and released in window (WM_KEYDOWN / WM_KEYUP posted).
void PressKey(HWND window, int virtual_key);

std::string Text(HWND window);          // WM_GETTEXT
std::string InternalText(HWND window);  // GetWindowText, never blocks on the target
std::string ClassOf(HWND window);
bool Enabled(HWND window);
bool Visible(HWND window);

struct Range {
    int low, high;
};
Range ProgressRange(HWND bar);
int ProgressPos(HWND bar);

// Presses a button as a user would (the target handles it in its own time).
void Click(HWND button);
// A left click at a client point of window.
void ClickAt(HWND window, int x, int y);

// --- message boxes ---------------------------------------------------------

struct MessageBoxInfo {
    HWND hwnd;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
};
// The first message box (dialog class "#32770" with a static of id 65535)
// of the process, or nullopt on time-out.
std::optional<MessageBoxInfo> WaitForMessageBox(DWORD process, int timeout_ms);
// Presses the box's button with this text ("OK", "&Yes", ...).
bool PressButton(const MessageBoxInfo &box, const std::string &button_text);

// --- registry --------------------------------------------------------------

void SetString(HKEY root, const std::string &key, const std::string &name, const std::string &value);
void SetDword(HKEY root, const std::string &key, const std::string &name, DWORD value);
std::optional<DWORD> ReadDword(HKEY root, const std::string &key, const std::string &name);
std::optional<std::string> ReadString(HKEY root, const std::string &key, const std::string &name);
void DeleteValue(HKEY root, const std::string &key, const std::string &name);
void DeleteKey(HKEY root, const std::string &key);  // with its subkeys; absent is fine
bool KeyExists(HKEY root, const std::string &key);

// --- files -----------------------------------------------------------------

// A fresh folder under the temporary folder, removed (read-only files too)
// at the end of the scope; games and installers are made in it.
using TempFolder = testsupport::TempDir;
using testsupport::ReadFile;
using testsupport::WriteFile;

// The folder of the running test program (helpers are copied beside it).
fs::path ProgramFolder();

// --- screenshots -----------------------------------------------------------

// Saves the screen area of window (or the whole screen for nullptr) as PNG.
bool Screenshot(HWND window, const fs::path &png);
// Where screenshots go: $E2E_SCREENSHOTS, else "screenshots" beside the test.
fs::path ScreenshotFolder();

}  // namespace e2e

#endif
