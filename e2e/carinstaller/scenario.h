// A car installation as a user meets it: a game folder registered under its
// App Paths key, an installer made from our stub and a payload, the program
// started and watched through its dialog.
#ifndef E2E_CORE_SCENARIO_H
#define E2E_CORE_SCENARIO_H

#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "pack.h"

namespace core_e2e {

namespace fs = std::filesystem;

inline constexpr const char *kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\rfrl.exe";
inline constexpr const char *kDialogClass = "RFRLSEINST";
inline constexpr const char *kDialogCaption = "RF Rally Self-Extracting Installer";
inline constexpr const char *kErrorCaption = "Roadfire Rally  Self-Extractor Error";
inline constexpr int kProgressId = 100, kStatusId = 101, kOkId = 102;

struct Scenario {
    e2e::TempFolder folder{"carinst"};
    fs::path game = folder / "Roadfire Rally";
    fs::path installer = folder / "car-setup.exe";
    ~Scenario() { Unregister(); }

    // The game folder with both cars folders (or without SaveData\Cars).
    void MakeGame(bool with_save_cars = true);
    // "Path" under the App Paths key, or the key removed.
    void Register(const std::string &path);
    void Unregister();
    // Writes stub + payload; payload_tail_cut bytes are cut off its end.
    void MakeInstaller(uint32_t kind, uint32_t serial, const std::vector<carpack::Entry> &entries,
                       size_t payload_tail_cut = 0);
    fs::path Car(const std::string &cars_folder, const std::string &car) const;
};

// What the user saw while the installer ran.
struct Observation {
    std::vector<std::string> statuses;  // each new status text, in order
    std::vector<int> status_ms;         // when each was first seen
    std::vector<int> positions;         // each new progress position, in order
    bool ok_enabled_early = false;      // "Ok" enabled before "Done."
    bool done = false;
    HWND dialog = nullptr;
    std::string caption;
    int found_ms = -1;                  // when the dialog was found
};

// Watches the dialog from its appearance until "Done." (or the process
// ends, or timeout_ms passes).
Observation Watch(e2e::Process &process, int timeout_ms);

// Every way another program or the user has to end the installer through
// its dialog: WM_CLOSE, Alt+F4 (WM_SYSCOMMAND with SC_CLOSE), each sent and
// handled before this returns, and with post_quit a quit message posted to
// the dialog's thread. The ones not handled within 5 s are left pending.
void TryToClose(HWND dialog, bool post_quit);

}  // namespace core_e2e

#endif
