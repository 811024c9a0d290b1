// AFGold as a user meets it: a game folder with the game's and the add-on's
// files, the launcher started in it, its windowless buttons pressed at their
// places, its state read from the real registry and its indicator from the
// screen.
#ifndef E2E_LAUNCHER_SCENARIO_H
#define E2E_LAUNCHER_SCENARIO_H

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "harness.h"

namespace launcher_e2e {

namespace fs = std::filesystem;

inline constexpr const char *kKey = "Software\\AFGold";
inline constexpr const char *kValue = "Enabled";
inline constexpr const char *kTitle = "Ashfall Gold";
inline constexpr int kTimeoutMs = 20000;

struct Button {
    const char *name;
    int left, top, width, height;
    int x() const { return left + width / 2; }
    int y() const { return top + height / 2; }
};
// The main window's buttons.
inline constexpr Button kClose{"SpeedButton1", 31, 147, 62, 21}, kMinimize{"SpeedButton2", 31, 171, 84, 21},
    kAbout{"SpeedButton3", 31, 195, 68, 22}, kHelp{"SpeedButton7", 31, 219, 52, 21},
    kEnable{"SpeedButton4", 64, 256, 137, 25}, kDisable{"SpeedButton5", 232, 256, 145, 25},
    kRun{"SpeedButton6", 128, 288, 185, 25};
// The warning window's and the about window's.
inline constexpr Button kYes{"SpeedButton1", 73, 126, 41, 22}, kNo{"SpeedButton2", 142, 126, 35, 22},
    kWebPage{"SpeedButton1", 96, 222, 81, 33};

using Files = std::map<std::string, std::string>;  // name -> contents

// The game folder as it lies with the add-on off: the four game files and
// the four add-on data files, each with contents of its own.
Files GameFilesOff();
// The same folder with the add-on on.
Files GameFilesOn();

// Keeps "Software\AFGold" as it was before the test and puts it back after.
class RegistryGuard {
public:
    RegistryGuard();
    ~RegistryGuard();

private:
    bool existed_;
    std::optional<DWORD> value_;
};

enum class Indicator { On, Off, Unknown };

class Launcher {
public:
    e2e::TempFolder folder{"afgold"};

    void Put(const Files &files);
    Files Read() const;  // every file of the folder

    // Starts AFGold.exe (beside the test) in the folder and waits for its
    // main window; false when it does not come.
    bool Start();
    e2e::Process &process() { return *process_; }
    HWND main() const { return main_; }

    void Press(HWND window, const Button &b) { e2e::ClickAt(window, b.x(), b.y()); }
    void Press(const Button &b) { Press(main_, b); }
    // Moves the pointer over a client point of the window.
    void Hover(HWND window, int x, int y);
    // The indicator as the screen shows it (its ring's inside colour).
    Indicator Shown();
    bool WaitShown(Indicator expected);
    // A visible window of this form class, or nullptr after the time-out.
    HWND WaitForForm(const char *form_class, int timeout_ms = kTimeoutMs);
    bool WaitHidden(HWND window);
    // Answers a message box with OK and waits until it is gone.
    std::optional<e2e::MessageBoxInfo> AnswerBox(const std::string &shot_name = {});
    // Saves a screenshot of the window as launcher-<name>.png.
    fs::path Shot(HWND window, const std::string &name);

private:
    std::unique_ptr<e2e::Process> process_;
    HWND main_ = nullptr;
};

}  // namespace launcher_e2e

#endif
