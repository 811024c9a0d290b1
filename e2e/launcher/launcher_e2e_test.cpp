// AFGold end to end under Wine: the real registry, a real game folder, the
// launcher's own windows, message boxes and hints.
#include <gtest/gtest.h>

#include "scenario.h"

namespace {

using namespace launcher_e2e;

std::optional<DWORD> Enabled() { return e2e::ReadDword(HKEY_CURRENT_USER, kKey, kValue); }

void ExpectBox(const std::optional<e2e::MessageBoxInfo> &box, const std::string &text)
{
    ASSERT_TRUE(box.has_value()) << "no message box for: " << text;
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->caption, kTitle);
    EXPECT_EQ(box->buttons, std::vector<std::string>({"OK"}));
}

TEST(LauncherEndToEnd, FirstStartCreatesTheStateAndShowsOff)
{
    RegistryGuard guard;
    Launcher l;
    ASSERT_TRUE(l.Start());
    EXPECT_EQ(Enabled(), std::optional<DWORD>(0));
    EXPECT_TRUE(l.WaitShown(Indicator::Off));
    RECT client;
    GetClientRect(l.main(), &client);
    EXPECT_EQ(client.right, 442);
    EXPECT_EQ(client.bottom, 331);
    EXPECT_EQ(GetWindowLongA(l.main(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0) << "has a border";
    // The application's title is on its task bar window.
    HWND app = l.WaitForForm("TApplication");
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(e2e::InternalText(app), kTitle);
    l.Shot(l.main(), "main-off");
    // Closing while off ends the program at once.
    l.Press(kClose);
    std::optional<DWORD> code = l.process().Wait(kTimeoutMs);
    ASSERT_TRUE(code.has_value()) << "still running after close";
    EXPECT_EQ(*code, 0u);
}

TEST(LauncherEndToEnd, EnableAndDisableMoveTheFiles)
{
    RegistryGuard guard;
    Launcher l;
    Files extra = {{"Ash.exe", "not run"}, {"readme.txt", "left alone"}};
    Files off = GameFilesOff(), on = GameFilesOn();
    off.insert(extra.begin(), extra.end());
    on.insert(extra.begin(), extra.end());
    l.Put(off);
    ASSERT_TRUE(l.Start());

    l.Press(kEnable);
    ASSERT_TRUE(l.WaitShown(Indicator::On));
    EXPECT_EQ(Enabled(), std::optional<DWORD>(1));
    EXPECT_EQ(l.Read(), on);
    l.Shot(l.main(), "main-on");

    l.Press(kEnable);
    ExpectBox(l.AnswerBox("already-enabled"), "Ashfall Gold is already enabled");
    EXPECT_EQ(l.Read(), on);
    EXPECT_EQ(Enabled(), std::optional<DWORD>(1));

    l.Press(kDisable);
    ASSERT_TRUE(l.WaitShown(Indicator::Off));
    EXPECT_EQ(Enabled(), std::optional<DWORD>(0));
    EXPECT_EQ(l.Read(), off);

    l.Press(kDisable);
    ExpectBox(l.AnswerBox(), "Ashfall Gold is not Enabled");
    EXPECT_EQ(l.Read(), off);
}

// A value the accessor cannot read stops enable, disable and close with the
// error box, and changes nothing.
TEST(LauncherEndToEnd, UnreadableStateShowsTheErrorAndChangesNothing)
{
    const struct {
        const char *name;
        std::function<void()> spoil;
        const char *text;
    } cases[] = {
        {"deleted", [] { e2e::DeleteValue(HKEY_CURRENT_USER, kKey, kValue); }, "Failed to get data for 'Enabled'"},
        {"a string", [] { e2e::SetString(HKEY_CURRENT_USER, kKey, kValue, "1"); }, "Invalid data type for 'Enabled'"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RegistryGuard guard;
        Launcher l;
        l.Put(GameFilesOff());
        ASSERT_TRUE(l.Start());
        c.spoil();
        for (const Button &b : {kEnable, kDisable, kClose}) {
            SCOPED_TRACE(b.name);
            l.Press(b);
            ExpectBox(l.AnswerBox(std::string("error-") + b.name), c.text);
            EXPECT_TRUE(l.process().Running());
        }
        EXPECT_EQ(l.Read(), GameFilesOff());
        EXPECT_FALSE(Enabled().has_value());
        EXPECT_TRUE(l.WaitShown(Indicator::Off));
    }
}

TEST(LauncherEndToEnd, CloseWhileOnAsksFirst)
{
    RegistryGuard guard;
    e2e::SetDword(HKEY_CURRENT_USER, kKey, kValue, 1);
    Launcher l;
    l.Put(GameFilesOn());
    ASSERT_TRUE(l.Start());
    ASSERT_TRUE(l.WaitShown(Indicator::On));

    l.Press(kClose);
    HWND warning = l.WaitForForm("TForm2");
    ASSERT_NE(warning, nullptr) << "no warning window";
    RECT client;
    GetClientRect(warning, &client);
    EXPECT_EQ(client.right, 252);
    EXPECT_EQ(client.bottom, 164);
    EXPECT_FALSE(IsWindowEnabled(l.main())) << "the warning is not modal";
    Sleep(200);
    l.Shot(warning, "warning");
    l.Press(warning, kNo);
    ASSERT_TRUE(l.WaitHidden(warning));
    EXPECT_TRUE(l.process().Running());
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(l.main()) != 0; }, kTimeoutMs));

    l.Press(kClose);
    ASSERT_NE(l.WaitForForm("TForm2"), nullptr) << "no warning the second time";
    l.Press(warning, kYes);
    std::optional<DWORD> code = l.process().Wait(kTimeoutMs);
    ASSERT_TRUE(code.has_value()) << "still running after Yes";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(Enabled(), std::optional<DWORD>(1));
    EXPECT_EQ(l.Read(), GameFilesOn());
}

TEST(LauncherEndToEnd, AboutOpensAndAClickOutsideItsButtonClosesIt)
{
    RegistryGuard guard;
    Launcher l;
    ASSERT_TRUE(l.Start());
    for (POINT outside : {POINT{137, 60}, POINT{90, 240}, POINT{137, 265}}) {
        l.Press(kAbout);
        HWND about = l.WaitForForm("TAbout");
        ASSERT_NE(about, nullptr) << "no about window";
        RECT client;
        GetClientRect(about, &client);
        EXPECT_EQ(client.right, 275);
        EXPECT_EQ(client.bottom, 275);
        if (outside.x == 137 && outside.y == 60) {
            Sleep(200);
            l.Shot(about, "about");
        }
        e2e::ClickAt(about, outside.x, outside.y);
        EXPECT_TRUE(l.WaitHidden(about)) << outside.x << "," << outside.y;
        EXPECT_TRUE(l.process().Running());
    }
}

TEST(LauncherEndToEnd, RunStartsTheGameAndMinimizes)
{
    RegistryGuard guard;
    Launcher l;
    fs::copy_file(e2e::ProgramFolder() / "fake_ash.exe", l.folder / "Ash.exe");
    ASSERT_TRUE(l.Start());
    l.Press(kRun);
    EXPECT_TRUE(e2e::WaitUntil([&] { return fs::exists(l.folder / "ash-started.txt"); }, kTimeoutMs, 50))
        << "Ash.exe did not start in the game folder";
    HWND app = l.WaitForForm("TApplication");
    ASSERT_NE(app, nullptr);
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsIconic(app) && !IsWindowVisible(l.main()); }, kTimeoutMs));
    EXPECT_TRUE(l.process().Running());

    // The minimise button does the same; restoring brings the window back.
    PostMessageA(app, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(l.main()) != 0; }, kTimeoutMs));
    l.Press(kMinimize);
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsIconic(app) && !IsWindowVisible(l.main()); }, kTimeoutMs));
}

TEST(LauncherEndToEnd, EveryButtonShowsItsHint)
{
    RegistryGuard guard;
    Launcher l;
    ASSERT_TRUE(l.Start());
    const struct {
        Button button;
        const char *hint;
    } rows[] = {
        {kClose, "Close Ashfall\r\nGold Launcher."},
        {kMinimize, "Minimize AFGold\r\nfor later use.\\"},
        {kAbout, "See who made this\r\ngreat addon...\r\nAshfall Gold."},
        {kEnable, "Enable Ashfall\r\nGold."},
        {kDisable, "Disable Ashfall\r\nGold."},
        {kRun, "Run Ashfall."},
        {kHelp, "View the Ashfall\r\nGold Help File."},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.button.name);
        l.Hover(l.main(), 220, 20);  // off every button: the hint goes
        EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TopWindows(l.process().id(), "THintWindow").empty(); },
                                   kTimeoutMs));
        l.Hover(l.main(), row.button.x(), row.button.y());
        HWND hint = l.WaitForForm("THintWindow");
        ASSERT_NE(hint, nullptr) << "no hint";
        EXPECT_EQ(e2e::InternalText(hint), row.hint);
        if (row.button.name == kEnable.name) {
            Sleep(100);
            l.Shot(nullptr, "hint");
        }
    }
}

}  // namespace
