// InstallMaven end to end under Wine: its windows, the game folders it
// finds on C:, the agreement, the boxes, and the files it installs.
#include <gtest/gtest.h>

#include "InstallFlow.h"
#include "scenario.h"

namespace {

using namespace installer_e2e;

const char *const kEmberworks = "C:\\Emberworks\\Ashfall";
const char *const kProgramFiles = "C:\\Program Files\\Ashfall";

void ExpectBox(const std::optional<e2e::MessageBoxInfo> &box, const std::string &caption, const std::string &text,
               const std::vector<std::string> &buttons)
{
    ASSERT_TRUE(box.has_value()) << "no message box for: " << text;
    EXPECT_EQ(box->caption, caption);
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->buttons, buttons);
}

bool Ended(Installer &in, DWORD code = 0)
{
    std::optional<DWORD> exit = in.process().Wait(kTimeoutMs);
    return exit.has_value() && *exit == code;
}

TEST(InstallerEndToEnd, NoGameFoundShowsTheHintAndOnlyBrowsingGoesOn)
{
    Installer in;
    ASSERT_TRUE(in.Start());
    EXPECT_EQ(e2e::InternalText(in.main()), "Install Maven - Ashfall Launcher");
    RECT client;
    GetClientRect(in.main(), &client);
    EXPECT_EQ(client.right, 385);
    EXPECT_EQ(client.bottom, 348);
    EXPECT_EQ(in.Text(kAshDir), "c:\\Emberworks\\Ashfall");
    HWND install = in.Control(in.main(), kInstall);
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(e2e::Text(install), "&Install");
    EXPECT_FALSE(e2e::Enabled(install));
    EXPECT_EQ(in.Control(in.main(), kMavDir), nullptr) << "the folders' panel shows";
    in.Shot(in.main(), "main-no-game");
    e2e::Click(in.Control(in.main(), kAbort));
    EXPECT_TRUE(Ended(in));
}

TEST(InstallerEndToEnd, TheLastGameFolderFoundWins)
{
    GameFolders games;
    games.Add(kEmberworks);
    games.Add(kProgramFiles);
    Installer in;
    ASSERT_TRUE(in.Start());
    EXPECT_EQ(in.Text(kAshDir), "C:\\Program Files\\Ashfall\\");
    EXPECT_EQ(in.Text(kMavDir), "C:\\Program Files\\Ashfall\\Maven\\");
    EXPECT_EQ(in.Text(kRulesDir), "C:\\Program Files\\Ashfall\\Rules\\");
    EXPECT_TRUE(e2e::Enabled(in.Control(in.main(), kInstall)));
    in.Shot(in.main(), "main");
}

// Browsing: the open dialog's file name typed and confirmed.
void Browse(Installer &in, const std::string &file)
{
    e2e::ClickAt(in.main(), kBrowse.x, kBrowse.y);
    HWND dialog = e2e::WaitForWindow(in.process().id(), "#32770", "Find Ashfall Directory", kTimeoutMs);
    ASSERT_NE(dialog, nullptr) << "no file-open dialog";
    HWND name = GetDlgItem(dialog, 0x47c);  // the file name box
    if (!name)
        name = GetDlgItem(dialog, 0x480);
    ASSERT_NE(name, nullptr);
    e2e::SetText(name, file);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(dialog); }, kTimeoutMs)) << "the dialog stays";
}

TEST(InstallerEndToEnd, BrowsingAcceptsTheGameInAnyLetterCaseOnly)
{
    e2e::TempFolder game{"ashfall game"};
    e2e::WriteFile(game / "aSh.ExE", {'M', 'Z'});
    e2e::WriteFile(game / "readme.txt", {'r'});
    Installer in;
    in.PutArchive();
    ASSERT_TRUE(in.Start());
    Browse(in, (game / "readme.txt").string());
    EXPECT_EQ(in.Text(kAshDir), "c:\\Emberworks\\Ashfall");
    Browse(in, (game / "ASH.EXE").string());
    std::string folder = game.path().string() + "\\";
    ASSERT_TRUE(e2e::WaitUntil([&] { return in.Text(kAshDir) != "c:\\Emberworks\\Ashfall"; }, kTimeoutMs));
    EXPECT_EQ(_stricmp(in.Text(kAshDir).c_str(), folder.c_str()), 0) << in.Text(kAshDir);
    EXPECT_EQ(_stricmp(in.Text(kMavDir).c_str(), (folder + "Maven\\").c_str()), 0);
    EXPECT_TRUE(e2e::Enabled(in.Control(in.main(), kInstall)));
    // The dialog left the working folder alone: the data file is still found.
    e2e::Click(in.Control(in.main(), kInstall));
    HWND agreement = in.WaitForForm("TLicenseForm");
    ASSERT_NE(agreement, nullptr) << "the data file was looked for elsewhere";
    e2e::Click(in.Control(agreement, kCancel));
}

TEST(InstallerEndToEnd, TheAgreementMustBeTicked)
{
    GameFolders games;
    games.Add(kEmberworks);
    Installer in;
    in.PutArchive();
    ASSERT_TRUE(in.Start());
    // Cancel, Escape and the close box each leave the main window as it was.
    const std::vector<std::pair<const char *, std::function<void(HWND)>>> refusals = {
        {"Cancel", [&](HWND a) { e2e::Click(in.Control(a, kCancel)); }},
        {"Escape", [&](HWND a) { e2e::PressKey(in.Control(a, kMemo), VK_ESCAPE); }},
        {"close box", [&](HWND a) { PostMessageA(a, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    bool first = true;
    for (const auto &[name, refuse] : refusals) {
        SCOPED_TRACE(name);
        // Enter in a folder box presses Install, the window's default button.
        e2e::PressKey(in.Control(in.main(), kMavDir), VK_RETURN);
        HWND agreement = in.WaitForForm("TLicenseForm");
        ASSERT_NE(agreement, nullptr);
        EXPECT_EQ(e2e::InternalText(agreement), "License Agreement");
        HWND next = in.Control(agreement, kNext);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(e2e::Text(next), "&Next");
        EXPECT_FALSE(e2e::Enabled(next));
        if (first)
            in.Shot(agreement, "agreement");
        first = false;
        refuse(agreement);
        ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::Visible(agreement); }, kTimeoutMs));
        EXPECT_TRUE(e2e::Visible(in.main()));
        EXPECT_FALSE(fs::exists(fs::path(kEmberworks) / "Maven")) << "installed without the agreement";
    }
    // Ticking and clearing the box enables and disables Next.
    e2e::Click(in.Control(in.main(), kInstall));
    HWND agreement = in.WaitForForm("TLicenseForm");
    ASSERT_NE(agreement, nullptr);
    HWND read_it = in.Control(agreement, kReadIt), next = in.Control(agreement, kNext);
    e2e::Click(read_it);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Enabled(next); }, kTimeoutMs));
    e2e::Click(read_it);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !e2e::Enabled(next); }, kTimeoutMs));
    e2e::Click(in.Control(agreement, kCancel));
}

TEST(InstallerEndToEnd, AnInvalidFolderIsRefusedAndTheWindowStays)
{
    GameFolders games;
    games.Add(kEmberworks);
    Installer in;
    in.PutArchive();
    ASSERT_TRUE(in.Start());
    e2e::SetText(in.Control(in.main(), kRulesDir), "C:\\Emberworks\\Missing\\Rules");
    e2e::Click(in.Control(in.main(), kInstall));
    HWND agreement = in.WaitForForm("TLicenseForm");
    ASSERT_NE(agreement, nullptr);
    ASSERT_TRUE(in.Accept(agreement));
    ExpectBox(in.Box("invalid-folder"), "Information", installmaven::SInvalidFolders, {"OK"});
    e2e::PressButton(*in.Box(), "OK");
    ASSERT_TRUE(e2e::WaitUntil([&] { return in.Text(kRulesDir) == "C:\\Emberworks\\Missing\\Rules\\"; }, kTimeoutMs));
    EXPECT_TRUE(e2e::Visible(in.main()));
    // The Maven folder was valid and is made; nothing is written into it.
    EXPECT_TRUE(fs::is_directory(fs::path(kEmberworks) / "Maven"));
    EXPECT_TRUE(fs::is_empty(fs::path(kEmberworks) / "Maven"));
}

// Installs into C:\Emberworks\Ashfall and answers the final question.
void FullInstall(Installer &in, bool run_maven)
{
    e2e::Click(in.Control(in.main(), kInstall));
    HWND agreement = in.WaitForForm("TLicenseForm");
    ASSERT_NE(agreement, nullptr);
    ASSERT_TRUE(in.Accept(agreement));
    std::optional<e2e::MessageBoxInfo> done = in.Box(run_maven ? "" : "complete");
    ExpectBox(done, "Confirm", "Installation Complete.\r\rRun Maven now?", {"&Yes", "&No"});
    EXPECT_FALSE(e2e::Visible(in.main()));
    e2e::PressButton(*done, run_maven ? "&Yes" : "&No");
    EXPECT_TRUE(Ended(in));
}

TEST(InstallerEndToEnd, AFullInstallWritesEveryFileAndMavenIni)
{
    GameFolders games;
    games.Add(kEmberworks);
    Installer in;
    in.PutArchive();
    ASSERT_TRUE(in.Start());
    FullInstall(in, false);
    fs::path game = kEmberworks;
    for (int i = 0; i < 8; i++) {
        SCOPED_TRACE(installmaven::EntryNames[i]);
        fs::path file = game / (i < 4 ? "Maven" : "Rules") / installmaven::EntryNames[i];
        EXPECT_EQ(e2e::ReadFile(file), SampleEntry(i));
    }
    std::string ini = installmaven::MavenIniText("C:\\Emberworks\\Ashfall\\", "C:\\Emberworks\\Ashfall\\Rules\\");
    EXPECT_EQ(e2e::ReadFile(game / "Maven" / "Maven.ini"), std::vector<uint8_t>(ini.begin(), ini.end()));
    EXPECT_FALSE(fs::exists(game / "Maven" / "maven-started.txt")) << "No started Maven";

    // Each entry's name before it is written, the percentage after.
    std::vector<std::string> names;
    for (const std::string &line : in.ProgressLog()) {
        std::string what = line.substr(0, line.find('|'));
        if (names.empty() || names.back() != what)
            names.push_back(what);
    }
    std::vector<std::string> expected_names = {"What"};
    for (const char *n : installmaven::EntryNames)
        expected_names.push_back(n);
    EXPECT_EQ(names, expected_names);
    std::vector<std::string> shown;
    std::string last;
    for (const std::string &line : in.ProgressLog()) {
        int position = std::stoi(line.substr(line.find('|') + 1));
        if (position > 0 && std::to_string(position) != last) {
            shown.push_back(line.substr(line.rfind('|') + 1));
            last = std::to_string(position);
        }
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"17%", "33%", "50%", "67%", "83%", "100%"}));
    // Files seven and eight leave the full bar at 100%.
    EXPECT_EQ(in.ProgressLog().back(), "rules.ini|600|100%");
}

TEST(InstallerEndToEnd, YesStartsTheInstalledMaven)
{
    GameFolders games;
    games.Add(kEmberworks);
    Installer in;
    in.PutArchive();
    ASSERT_TRUE(in.Start());
    FullInstall(in, true);
    fs::path marker = fs::path(kEmberworks) / "Maven" / "maven-started.txt";
    ASSERT_TRUE(e2e::WaitUntil([&] { return fs::exists(marker) && fs::file_size(marker) > 0; }, kTimeoutMs));
    std::vector<uint8_t> note = e2e::ReadFile(marker);
    std::string text(note.begin(), note.end());
    EXPECT_NE(text.find("Maven.exe"), std::string::npos) << text;
    EXPECT_NE(text.find("C:\\Emberworks\\Ashfall\\Maven"), std::string::npos) << text;  // its working folder
}

TEST(InstallerEndToEnd, AMissingDataFileIsReported)
{
    GameFolders games;
    games.Add(kEmberworks);
    Installer in;
    ASSERT_TRUE(in.Start());
    e2e::Click(in.Control(in.main(), kInstall));
    std::optional<e2e::MessageBoxInfo> box = in.Box("no-data-file");
    ExpectBox(box, "Information", installmaven::SDataFileMissing, {"OK"});
    e2e::PressButton(*box, "OK");
    EXPECT_TRUE(e2e::Visible(in.main()));
    EXPECT_FALSE(fs::exists(fs::path(kEmberworks) / "Maven"));
}

// The error box, then back to the main window; a second try fails the same.
TEST(InstallerEndToEnd, ACorruptArchiveReturnsToTheMainWindow)
{
    GameFolders games;
    games.Add(kEmberworks);
    Installer in;
    in.PutArchive();
    std::vector<uint8_t> bytes = e2e::ReadFile(in.folder / "InstallMaven.dat");
    bytes[bytes.size() / 2] ^= 0x55;
    in.PutFile("InstallMaven.dat", bytes);
    ASSERT_TRUE(in.Start());
    e2e::Click(in.Control(in.main(), kInstall));
    HWND agreement = in.WaitForForm("TLicenseForm");
    ASSERT_NE(agreement, nullptr);
    ASSERT_TRUE(in.Accept(agreement));
    std::optional<e2e::MessageBoxInfo> box = in.Box();
    ExpectBox(box, kTitle, "The archive file appears to be corrupted.", {"OK"});
    HWND progress = in.WaitForForm("TInstallForm");
    ASSERT_NE(progress, nullptr) << "the progress window is not shown under the box";
    // Both are centred on the screen: the box moves aside for the picture.
    SetWindowPos(box->hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Sleep(500);
    in.Shot(progress, "progress");
    e2e::Range range = e2e::ProgressRange(in.Control(progress, kBar));
    EXPECT_EQ(range.low, 0);
    EXPECT_EQ(range.high, 600);
    e2e::PressButton(*box, "OK");
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::Visible(in.main()) && !e2e::Visible(progress); }, kTimeoutMs));
    // The agreement stays ticked for the second try.
    e2e::Click(in.Control(in.main(), kInstall));
    agreement = in.WaitForForm("TLicenseForm");
    ASSERT_NE(agreement, nullptr);
    EXPECT_EQ(SendMessageA(in.Control(agreement, kReadIt), BM_GETCHECK, 0, 0), BST_CHECKED);
    e2e::Click(in.Control(agreement, kCancel));
    e2e::Click(in.Control(in.main(), kAbort));
    EXPECT_TRUE(Ended(in));
}

}  // namespace
