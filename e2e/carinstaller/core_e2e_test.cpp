// The car installer end to end under Wine: the real registry, real game
// folders, an installer made from our stub, and the program's own windows.
#include <gtest/gtest.h>

#include <functional>

#include "fixtures.h"
#include "scenario.h"

namespace {

using namespace core_e2e;
using carfix::Pattern;
using carpack::Entry;

constexpr int kTimeoutMs = 60000;
constexpr uint32_t kSerial = 26;

fs::path Shot(const std::string &name)
{
    return e2e::ScreenshotFolder() / ("core-" + name + ".png");
}

// Presses "Ok" and expects the normal end.
void FinishWithOk(e2e::Process &process, HWND dialog)
{
    e2e::Click(GetDlgItem(dialog, kOkId));
    std::optional<DWORD> code = process.Wait(kTimeoutMs);
    ASSERT_TRUE(code.has_value()) << "still running after Ok";
    EXPECT_EQ(*code, 0u);
}

std::vector<Entry> Entries(int count, size_t size)
{
    std::vector<Entry> entries;
    for (int i = 0; i < count; i++)
        entries.push_back({"part" + std::to_string(i) + ".bin", Pattern(size + i, 100 + i)});
    return entries;
}

void ExpectInstalled(const fs::path &folder, const std::vector<Entry> &entries)
{
    for (const Entry &e : entries)
        EXPECT_EQ(e2e::ReadFile(folder / e.name), e.data) << e.name;
}

// A new car: many cars already installed, so the search takes long enough to
// be seen, and a payload big enough for the bar to be seen moving.
TEST(CoreEndToEnd, InstallsANewCarAndShowsEveryStep)
{
    Scenario s;
    s.MakeGame();
    for (int i = 0; i < 1000; i++)
        carfix::WriteFile(s.Car("Data", "Stock" + std::to_string(i)) / "car.viv",
                          carfix::CarArchiveWithSerial(1000 + i));
    carfix::InstallCar(s.game, "SaveData\\Cars", "0000", kSerial + 1);
    s.Register(s.game.string());
    std::vector<Entry> entries = {{"car.viv", carfix::CarArchiveWithSerial(kSerial)},
                                  {"Lstm.qfs", Pattern(139154, 2)}};
    for (Entry &e : Entries(6, 3 << 20))
        entries.push_back(e);
    s.MakeInstaller(1, kSerial, entries);

    e2e::Process p(s.installer, s.folder.path());
    Observation seen = Watch(p, kTimeoutMs);
    ASSERT_TRUE(seen.done) << "never showed Done.";
    EXPECT_EQ(seen.caption, kDialogCaption);
    std::vector<std::string> expected = {"Searching for installation...", "Installing car...", "Done."};
    EXPECT_EQ(seen.statuses, expected) << "dialog found at " << seen.found_ms << " ms, texts first seen at "
                                       << testing::PrintToString(seen.status_ms) << " ms";
    EXPECT_FALSE(seen.ok_enabled_early) << "Ok was enabled before Done.";
    EXPECT_TRUE(e2e::Enabled(GetDlgItem(seen.dialog, kOkId)));
    e2e::Range range = e2e::ProgressRange(GetDlgItem(seen.dialog, kProgressId));
    EXPECT_EQ(range.low, 0);
    EXPECT_EQ(range.high, static_cast<int>(entries.size()));
    ASSERT_FALSE(seen.positions.empty());
    EXPECT_EQ(seen.positions.back(), static_cast<int>(entries.size()));
    EXPECT_GT(seen.positions.size(), 2u) << "the bar was never seen between empty and full";
    EXPECT_TRUE(std::is_sorted(seen.positions.begin(), seen.positions.end()));
    e2e::Screenshot(seen.dialog, Shot("done"));

    std::vector<e2e::Control> controls = e2e::Children(seen.dialog);
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[2].text, "Ok");

    FinishWithOk(p, seen.dialog);
    ExpectInstalled(s.Car("SaveData", "0001"), entries);
    EXPECT_FALSE(fs::exists(s.Car("SaveData", "0001") / "nulish"));
}

TEST(CoreEndToEnd, ShowcaseGoesOverTheInstalledCar)
{
    Scenario s;
    s.MakeGame();
    carfix::InstallCar(s.game, "Data\\Cars", "Mine", kSerial);
    carfix::InstallCar(s.game, "SaveData\\Cars", "0007", kSerial);
    // Registered with a trailing backslash: the same folders are found.
    s.Register(s.game.string() + "\\");
    std::vector<Entry> entries = {{"car.viv", carfix::CarArchiveWithSerial(kSerial)},
                                  {"showcase.qfs", Pattern(5000, 4)}};
    s.MakeInstaller(0, kSerial, entries);

    e2e::Process p(s.installer, s.folder.path());
    Observation seen = Watch(p, kTimeoutMs);
    ASSERT_TRUE(seen.done);
    EXPECT_EQ(seen.statuses.back(), "Done.");
    EXPECT_NE(std::find(seen.statuses.begin(), seen.statuses.end(), "Installing showcase..."),
              seen.statuses.end());
    FinishWithOk(p, seen.dialog);
    ExpectInstalled(s.Car("SaveData", "0007"), entries);
    EXPECT_FALSE(fs::exists(s.Car("Data", "Mine") / "showcase.qfs"));
}

TEST(CoreEndToEnd, EmptyPayloadIsDoneAtOnceAndOnlyOkCloses)
{
    Scenario s;
    s.MakeGame();
    s.Register(s.game.string());
    s.MakeInstaller(1, kSerial, {});

    e2e::Process p(s.installer, s.folder.path());
    Observation seen = Watch(p, kTimeoutMs);
    ASSERT_TRUE(seen.done);
    e2e::Range range = e2e::ProgressRange(GetDlgItem(seen.dialog, kProgressId));
    EXPECT_EQ(range.high, 0);
    // Commands from other controls, or with a notification code, are ignored.
    PostMessageA(seen.dialog, WM_COMMAND, kStatusId, 0);
    PostMessageA(seen.dialog, WM_COMMAND, MAKEWPARAM(kOkId, 1), 0);
    EXPECT_FALSE(p.Wait(500).has_value()) << "closed by a command that is not Ok";
    FinishWithOk(p, seen.dialog);
    EXPECT_TRUE(fs::is_directory(s.Car("SaveData", "0000")));
}

struct FatalCase {
    const char *name;
    int code;
    const char *text;
    bool from_worker = false;  // the box is the worker's, not the main thread's
};

// Runs the installer to its fatal stop: checks the box, tries to close the
// dialog behind it (which must change nothing), presses OK, checks the exit
// code. Returns whether the dialog had appeared.
bool ExpectFatalStop(Scenario &s, const FatalCase &c)
{
    e2e::Process p(s.installer, s.folder.path());
    std::optional<e2e::MessageBoxInfo> box = e2e::WaitForMessageBox(p.id(), kTimeoutMs);
    EXPECT_TRUE(box.has_value()) << "no message box";
    if (!box)
        return false;
    std::vector<HWND> dialogs = e2e::TopWindows(p.id(), kDialogClass);
    bool had_dialog = !dialogs.empty();
    if (had_dialog) {
        // A quit message would end the main thread's own box, so it is
        // posted only while the worker's box is up.
        TryToClose(dialogs[0], c.from_worker);
        EXPECT_FALSE(p.Wait(500).has_value()) << "ended by closing the dialog behind the box";
        EXPECT_TRUE(IsWindow(box->hwnd)) << "the box went away with the dialog";
    }
    Sleep(300);  // let the box and the dialog behind it paint
    e2e::Screenshot(nullptr, Shot(std::string("fatal-") + std::to_string(c.code)));
    EXPECT_EQ(box->caption, kErrorCaption);
    EXPECT_EQ(box->text, c.text);
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    EXPECT_TRUE(e2e::PressButton(*box, "OK"));
    std::optional<DWORD> code = p.Wait(kTimeoutMs);
    EXPECT_TRUE(code.has_value());
    if (code) {
        EXPECT_EQ(*code, static_cast<DWORD>(c.code));
    }
    return had_dialog;
}

// An empty "Path" is no game folder: the car folders would be looked for
// and made below the installer's working folder.
TEST(CoreEndToEnd, NoGameRegisteredStopsBeforeAnyWindow)
{
    struct Case {
        const char *name;
        std::function<void(Scenario &)> registry;
    } cases[] = {
        {"no key", [](Scenario &s) { s.Unregister(); }},
        {"no value", [](Scenario &s) {
             s.Register(s.game.string());
             e2e::DeleteValue(HKEY_LOCAL_MACHINE, kAppPathsKey, "Path");
         }},
        {"empty value", [](Scenario &s) { s.Register(""); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s;
        s.MakeGame();
        fs::create_directories(s.folder / "SaveData" / "Cars");
        c.registry(s);
        s.MakeInstaller(1, kSerial, {{"car.viv", Pattern(10, 1)}});
        EXPECT_FALSE(ExpectFatalStop(s, {"", 3, "Fatal: Cannot find Roadfire installation."}));
        EXPECT_TRUE(fs::is_empty(s.folder / "SaveData" / "Cars"));
    }
}

// Closing the dialog while the files are written must not end the program:
// WM_CLOSE, Alt+F4 and a quit message are passed over, every file is
// written in full, and once "Done." shows a close ends it like Ok.
TEST(CoreEndToEnd, ClosingDuringExtractionWaitsForDone)
{
    Scenario s;
    s.MakeGame();
    s.Register(s.game.string());
    std::vector<Entry> entries = Entries(6, 64 << 20);
    s.MakeInstaller(1, kSerial, entries);
    fs::path car = s.Car("SaveData", "0000");

    e2e::Process p(s.installer, s.folder.path());
    HWND dialog = e2e::WaitForWindow(p.id(), kDialogClass, nullptr, kTimeoutMs);
    ASSERT_NE(dialog, nullptr);
    // The first file is complete and the second being written.
    ASSERT_TRUE(e2e::WaitUntil([&] { return fs::exists(car / "part1.bin") || !p.Running(); }, kTimeoutMs));
    ASSERT_NE(e2e::InternalText(GetDlgItem(dialog, kStatusId)), "Done.") << "too quick to close halfway";
    TryToClose(dialog, true);
    Observation seen = Watch(p, kTimeoutMs);
    ASSERT_TRUE(seen.done) << "ended before Done.";
    for (const Entry &e : entries) {
        std::vector<uint8_t> written = e2e::ReadFile(car / e.name);
        EXPECT_TRUE(written == e.data) << e.name << ": " << written.size() << " of " << e.data.size() << " bytes";
    }
    EXPECT_TRUE(p.Running()) << "ended after Done. without a close";
    TryToClose(seen.dialog, false);
    std::optional<DWORD> code = p.Wait(kTimeoutMs);
    ASSERT_TRUE(code.has_value()) << "still running after a close at Done.";
    EXPECT_EQ(*code, 0u);
}

TEST(CoreEndToEnd, FatalStops)
{
    std::vector<Entry> car = {{"car.viv", Pattern(3000, 1)}, {"Lstm.qfs", Pattern(700, 2)}};
    {
        SCOPED_TRACE("showcase without its car");
        Scenario s;
        s.MakeGame();
        s.Register(s.game.string());
        s.MakeInstaller(0, kSerial, car);
        EXPECT_TRUE(ExpectFatalStop(s, {"", 6, "Fatal: Must install car before installing showcase."}));
        EXPECT_TRUE(fs::is_empty(s.game / "SaveData" / "Cars"));
    }
    {
        SCOPED_TRACE("new car without SaveData\\Cars");
        Scenario s;
        s.MakeGame(false);
        s.Register(s.game.string());
        s.MakeInstaller(1, kSerial, car);
        ExpectFatalStop(s, {"", 4, "Fatal: Cannot create car folder."});
        EXPECT_FALSE(fs::exists(s.game / "SaveData"));
    }
    {
        // The game keeps its car archive open while it runs: the file cannot
        // be opened for writing. (A read-only attribute would do the same for
        // a normal user, but not for root, as whom CI runs Wine.)
        SCOPED_TRACE("target file in use");
        Scenario s;
        s.MakeGame();
        carfix::InstallCar(s.game, "SaveData\\Cars", "0002", kSerial);
        s.Register(s.game.string());
        s.MakeInstaller(1, kSerial, {{"Lstm.qfs", Pattern(700, 2)}, {"car.viv", Pattern(3000, 1)}});
        fs::path target = s.Car("SaveData", "0002") / "car.viv";
        HANDLE held = CreateFileA(target.string().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ExpectFatalStop(s, {"", 7, "Fatal: During extract data write.", true});
        CloseHandle(held);
        EXPECT_EQ(e2e::ReadFile(s.Car("SaveData", "0002") / "Lstm.qfs"), Pattern(700, 2));
        EXPECT_EQ(e2e::ReadFile(target), carfix::CarArchiveWithSerial(kSerial));
    }
    {
        SCOPED_TRACE("truncated payload");
        Scenario s;
        s.MakeGame();
        s.Register(s.game.string());
        s.MakeInstaller(1, kSerial, car, 100);
        ExpectFatalStop(s, {"", 10, "Fatal: During extract data read."});
        EXPECT_TRUE(fs::is_empty(s.game / "SaveData" / "Cars")) << "a folder was made for a broken payload";
    }
    {
        SCOPED_TRACE("entry name leaving the folder");
        Scenario s;
        s.MakeGame();
        s.Register(s.game.string());
        s.MakeInstaller(1, kSerial, {{"car.viv", Pattern(10, 1)}, {"..\\evil.dll", Pattern(10, 2)}});
        ExpectFatalStop(s, {"", 8, "Fatal: Bad file name in payload."});
        EXPECT_TRUE(fs::is_empty(s.game / "SaveData" / "Cars"));
        EXPECT_FALSE(fs::exists(s.game / "SaveData" / "evil.dll"));
    }
}

}  // namespace
