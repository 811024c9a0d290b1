// InstallMaven as a user meets it: a working folder with "InstallMaven.dat",
// game folders made on the prefix's C: drive where the installer looks for
// the game, the installer's windows and their controls found at their
// places, its message boxes answered, and what it wrote read back.
#ifndef E2E_INSTALLER_SCENARIO_H
#define E2E_INSTALLER_SCENARIO_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"

namespace installer_e2e {

namespace fs = std::filesystem;

inline constexpr const char *kTitle = "InstallMaven";
inline constexpr int kTimeoutMs = 20000;

// A point inside a control, in its window's client coordinates.
struct Place {
    int x, y;
};
// The main window's (controls on the Others panel at 16, 168; the group
// box at 8, 80 on it).
inline constexpr Place kAshDir{140, 150}, kBrowse{346, 150}, kMavDir{16 + 124, 168 + 30},
    kRulesDir{16 + 124, 168 + 56}, kOriginalRules{16 + 8 + 190, 168 + 80 + 24}, kInstall{117, 324},
    kAbort{213, 324};
// The agreement window's.
inline constexpr Place kReadIt{446, 208}, kNext{450, 236}, kCancel{26, 236}, kMemo{200, 100};
// The progress window's bar.
inline constexpr Place kBar{100, 48};

// Game folders on the prefix's C: drive, each with an "Ash.exe": made by
// Add, removed again (with whatever was installed into them) at the end,
// together with every parent folder Add had to make.
class GameFolders {
public:
    ~GameFolders();
    void Add(const std::string &folder, const std::string &exe_name = "Ash.exe");

private:
    std::vector<fs::path> made_;
};

// The files of the sample data file, as the archive holds them.
std::vector<uint8_t> SampleEntry(int index);

class Installer {
public:
    e2e::TempFolder folder{"installmaven"};

    // The sample "InstallMaven.dat" (the sample Maven.exe as entry 0) in
    // the working folder.
    void PutArchive();
    void PutFile(const std::string &name, const std::vector<uint8_t> &bytes);

    // Starts InstallMaven.exe in the working folder (its progress log in
    // the folder too) and waits for its main window.
    bool Start();
    e2e::Process &process() { return *process_; }
    HWND main() const { return main_; }
    // A visible window of the process of this class, or nullptr.
    HWND WaitForForm(const char *form_class);
    HWND Control(HWND window, Place p) const { return e2e::ChildAt(window, p.x, p.y); }
    std::string Text(Place p) const;
    // The next message box, screenshot first when named.
    std::optional<e2e::MessageBoxInfo> Box(const std::string &shot_name = {});
    // Ticks "I accept" (unless it already is) and presses Next.
    bool Accept(HWND agreement);
    // The progress window's "What" and "Percent" texts in the order shown.
    std::vector<std::string> ProgressLog() const;
    fs::path Shot(HWND window, const std::string &name);

private:
    std::unique_ptr<e2e::Process> process_;
    HWND main_ = nullptr;
};

}  // namespace installer_e2e

#endif
