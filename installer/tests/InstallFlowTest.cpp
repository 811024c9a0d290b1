// The installer's flow against real temporary folders, with a recording
// stand-in for the windows. The game's fixed places on drive C: are mapped
// into the test's own folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "InstallFlow.h"
#include "ZLBHost.h"
#include "testsupport.h"

using namespace installmaven;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

std::string Sys(const fs::path& p) { return zlbhost::SystemName(p.string()); }
std::string Text(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

// Names beginning "C:\" lie under Root (on Windows, except those already
// under Root, which is on drive C: itself).
class DriveFiles : public TInstallFiles {
public:
  explicit DriveFiles(const fs::path& root) : FRoot(Sys(root)) {}
  std::string Map(const std::string& n) const {
    bool driveC = n.size() >= 3 && (n[0] == 'C' || n[0] == 'c') && n[1] == ':' && n[2] == '\\';
    return driveC && n.compare(0, FRoot.size(), FRoot) != 0 ? FRoot + n.substr(2) : n;
  }
  bool FileExists(const std::string& n) override { return TInstallFiles::FileExists(Map(n)); }
  bool DirectoryExists(const std::string& n) override { return TInstallFiles::DirectoryExists(Map(n)); }
  bool CreateDir(const std::string& n) override { return TInstallFiles::CreateDir(Map(n)); }
  bool SetCurrentDir(const std::string& n) override { return TInstallFiles::SetCurrentDir(Map(n)); }
  bool EraseFile(const std::string& n) override { return TInstallFiles::EraseFile(Map(n)); }

private:
  std::string FRoot;
};

// Records what the windows are asked to do, one line per call.
class RecordingUI : public TInstallUI {
public:
  std::vector<std::string> Log;
  bool Accept = true, AnswerYes = true, Chooses = true;
  std::string Chosen;
  void StateChanged() override {}
  bool ChooseGameFile(std::string& f) override {
    f = Chosen;
    return Chooses;
  }
  void Information(const std::string& t) override { Log.push_back("info " + t); }
  bool Confirmation(const std::string& t) override {
    Log.push_back("confirm " + t);
    return AnswerYes;
  }
  void ErrorBox(const std::string& t) override { Log.push_back("error " + t); }
  bool AgreementAccepted() override {
    Log.push_back("agreement");
    return Accept;
  }
  void ShowMainWindow(bool v) override { Log.push_back(v ? "show main" : "hide main"); }
  void ShowProgressWindow(bool v) override { Log.push_back(v ? "show progress" : "hide progress"); }
  void ProgressChanged(const TProgressModel& p) override {
    Log.push_back("progress " + std::to_string(p.Position()) + " " + p.What() + " " + p.Percent());
  }
  void StartProgram(const std::string& f, const std::string& d) override { Log.push_back("start " + f + " in " + d); }
  void CloseMainWindow() override { Log.push_back("close"); }
};

// Runs the test inside a folder of its own (the installer reads its data
// file from the working folder) and goes back afterwards.
class WorkingFolder {
public:
  explicit WorkingFolder(const fs::path& p) : FOld(fs::current_path()) {
    fs::create_directories(p);
    fs::current_path(p);
  }
  ~WorkingFolder() { fs::current_path(FOld); }

private:
  fs::path FOld;
};

// Compressible contents for most entries, incompressible for one.
std::vector<uint8_t> Contents(int index) {
  if (index == 6) return testsupport::Pattern(3000, 6);
  std::string s;
  for (int i = 0; i < 200; i++) s += std::string(EntryNames[index]) + " line " + std::to_string(i) + "\r\n";
  return std::vector<uint8_t>(s.begin(), s.end());
}

// The eight files as the developer keeps them: the program files in one
// folder, the rules files in ..\Rules\Distrib beside it.
void WriteSourceFiles(const fs::path& mavenFolder) {
  for (int i = 0; i < 8; i++) testsupport::WriteFile(mavenFolder / zlbhost::HostName(DeveloperFiles[i]), Contents(i));
}

// A data file built with the component's own calls.
void BuildArchive(const fs::path& sources, const fs::path& archive) {
  TZLBArchive a(nullptr);
  a.SetCompressionLevel(fcMaximum);
  a.CreateArchive(Sys(archive));
  for (const char* f : DeveloperFiles) a.AddFile(Sys(sources) + "\\" + f);
}

class InstallFlowTest : public ::testing::Test {
protected:
  InstallFlowTest() : files(dir.path()), archive(nullptr), flow(ui, files, archive), cwd(dir / "work") {
    archive.SetCompressionLevel(fcMaximum);
    WriteSourceFiles(dir / "src" / "Maven");
    BuildArchive(dir / "src" / "Maven", dir / "work" / DataFileName);
    fs::create_directories(dir / "Game");
    flow.FormCreate(false);
    flow.State.AshDir = Sys(dir / "Game") + "\\";
    flow.gotAFDir();
  }
  fs::path Game(const std::string& rest) const { return dir / "Game" / zlbhost::HostName(rest); }
  // The Percent texts as the bar moves.
  std::vector<std::string> Percents() const {
    std::vector<std::string> out;
    int last = 0;
    for (const std::string& l : ui.Log) {
      if (l.compare(0, 9, "progress ") != 0) continue;
      int pos = std::stoi(l.substr(9));
      if (pos != last) out.push_back(l.substr(l.rfind(' ') + 1));
      last = pos;
    }
    return out;
  }

  TempDir dir{"installflow"};
  RecordingUI ui;
  DriveFiles files;
  TZLBArchive archive;
  TInstallFlow flow;
  WorkingFolder cwd;
};

// --- Finding and picking the game folder ---------------------------------------------

TEST_F(InstallFlowTest, ProbesTheThreePlacesAndTheLastOneWins) {
  const struct {
    const char* name;
    std::vector<int> present;  // indices into GameProbes
    const char* ashDir;        // "" for the hint
  } cases[] = {
      {"none", {}, ""},
      {"Emberworks", {0}, "C:\\Emberworks\\Ashfall\\"},
      {"Games", {1}, "C:\\Games\\Ashfall\\"},
      {"Emberworks and Program Files", {0, 2}, "C:\\Program Files\\Ashfall\\"},
      {"Emberworks and Games", {0, 1}, "C:\\Games\\Ashfall\\"},
      {"all three", {0, 1, 2}, "C:\\Program Files\\Ashfall\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir drive("drive");
    DriveFiles driveFiles(drive.path());
    RecordingUI probeUi;
    TZLBArchive a(nullptr);
    TInstallFlow f(probeUi, driveFiles, a);
    for (int i : c.present) testsupport::WriteFile(zlbhost::HostName(driveFiles.Map(GameProbes[i].File)), {1});
    f.FormCreate(false);
    f.FormShow();
    bool found = *c.ashDir != 0;
    EXPECT_EQ(f.State.AshDir, found ? c.ashDir : "c:\\Emberworks\\Ashfall");
    EXPECT_EQ(f.State.InstallEnabled, found);
    EXPECT_EQ(f.State.OthersVisible, found);
    EXPECT_EQ(f.State.AFDirBtnVisible, !found);
    EXPECT_EQ(f.State.MavDir, found ? std::string(c.ashDir) + "Maven\\" : "");
    EXPECT_EQ(f.State.RulesDir, found ? std::string(c.ashDir) + "Rules\\" : "");
  }
}

TEST(InstallFlowPick, OnlyAFileNamedAshExeInAnyCaseGivesTheGameFolder) {
  const struct {
    const char* name;
    bool chooses;
    const char* file;
    const char* ashDir;  // "" when nothing changes
  } cases[] = {
      {"as named", true, "D:\\Games\\Ash\\Ash.exe", "D:\\Games\\Ash\\"},
      {"upper case", true, "D:\\x\\ASH.EXE", "D:\\x\\"},
      {"mixed case", true, "e:\\y z\\aSh.ExE", "e:\\y z\\"},
      {"another file", true, "D:\\x\\Game.exe", ""},
      {"name only ending so", true, "D:\\x\\Flash.exe", ""},
      {"longer extension", true, "D:\\x\\Ash.exe.bak", ""},
      {"too short", true, "h.exe", ""},
      {"cancelled", false, "D:\\x\\Ash.exe", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir drive("pick");
    DriveFiles driveFiles(drive.path());
    RecordingUI pickUi;
    TZLBArchive a(nullptr);
    TInstallFlow f(pickUi, driveFiles, a);
    f.FormShow();
    pickUi.Chooses = c.chooses;
    pickUi.Chosen = c.file;
    f.AFDirBtnClick();
    bool accepted = *c.ashDir != 0;
    EXPECT_EQ(f.State.AshDir, accepted ? c.ashDir : "c:\\Emberworks\\Ashfall");
    EXPECT_EQ(f.State.InstallEnabled, accepted);
    EXPECT_EQ(f.State.AFDirBtnVisible, !accepted);
    if (accepted) {
      EXPECT_EQ(f.State.RulesDir, std::string(c.ashDir) + "Rules\\");
    }
    EXPECT_TRUE(pickUi.Log.empty());  // never a message
  }
}

TEST_F(InstallFlowTest, HelpTextsNameTheirOwnFolders) {
  flow.MavenDirHelpBtnClick();
  flow.RulesDirHelpBtnClick();
  ASSERT_EQ(ui.Log.size(), 2u);
  EXPECT_EQ(ui.Log[0],
            "info The \"Maven Directory\" is the directory where you want the Maven program files to be installed.\r\r"
            "The default is a subdirectory called \"Maven\" off your Ashfall directory, e.g. "
            "\"C:\\Emberworks\\Ashfall\\Maven\\\"");
  EXPECT_EQ(ui.Log[1],
            "info The \"Rules Directory\" is the directory in which you intend to store all the rules files you want "
            "Maven to use. \r\rThe default is a subdirectory called \"Rules\" off your Ashfall directory, e.g. "
            "\"C:\\Emberworks\\Ashfall\\Rules\\\"");
}

TEST_F(InstallFlowTest, DeveloperModeOnlyWithTheDebugBox) {
  flow.SpeedButton1Click();
  EXPECT_TRUE(ui.Log.empty());
  EXPECT_FALSE(flow.State.SpeedButton1Visible);
  flow.FormCreate(true);
  EXPECT_TRUE(flow.State.SpeedButton1Visible);
}

// --- The install sequence ----------------------------------------------------------

TEST_F(InstallFlowTest, FullInstallWritesEveryFileAndMavenIniThenStartsMaven) {
  flow.InstallBtnClick();
  for (int i = 0; i < 8; i++) {
    SCOPED_TRACE(EntryNames[i]);
    fs::path target = Game(std::string(i < 4 ? "Maven\\" : "Rules\\") + EntryNames[i]);
    EXPECT_EQ(testsupport::ReadFile(target), Contents(i));
    EXPECT_FALSE(fs::exists(Game(std::string(i < 4 ? "Rules\\" : "Maven\\") + EntryNames[i])));
  }
  std::string ash = Sys(dir / "Game") + "\\";
  std::string maven = ash + "Maven\\";
  std::vector<std::string> expected = {"agreement", "hide main", "show progress", "progress 0 What Percent"};
  const char* percents[8] = {"17%", "33%", "50%", "67%", "83%", "100%", "100%", "100%"};
  for (int i = 0; i < 8; i++) {
    int before = i * 100 > 600 ? 600 : i * 100, after = (i + 1) * 100 > 600 ? 600 : (i + 1) * 100;
    expected.push_back("progress " + std::to_string(before) + " " + EntryNames[i] + " " + (i ? percents[i - 1] : "Percent"));
    expected.push_back("progress " + std::to_string(after) + " " + EntryNames[i] + " " + percents[i]);
  }
  expected.insert(expected.end(), {"hide progress", "confirm Installation Complete.\r\rRun Maven now?",
                                   "start " + maven + "Maven.exe in " + maven, "close"});
  EXPECT_EQ(ui.Log, expected);
}

TEST_F(InstallFlowTest, MavenIniByteForByte) {
  // An older, longer Maven.ini is replaced as a whole.
  testsupport::WriteFile(Game("Maven\\Maven.ini"), std::vector<uint8_t>(5000, 'x'));
  flow.State.AshDir = "C:\\Caf\xE9\\";  // a code page 1252 letter is written as its one byte
  flow.State.RulesDir = Sys(dir / "Game" / "Rules");
  flow.InstallBtnClick();
  const std::string ini =
      "[Config]\r\n"
      "IniVer=2\r\n"
      ";Directories:\r\n"
      ";MavDir=the directory Maven is in\t;shortname: \"{MavDir}\"\r\n"
      "AFDir=C:\\Caf\xE9\\\t\t;shortname: \"{AFDir}\"\r\n"
      "RulesDir=" + Sys(dir / "Game" / "Rules") + "\\\t\t;can use {AFDir} or {MavDir}, shortname: \"{RulesDir}\"\r\n"
      "\r\n"
      "[Rules]\r\n"
      "; > Be aware you obviously can not use a ; in any files name...! <\r\n"
      ";\r\n"
      "; Format:\r\n"
      ";   All rules refs start with name=<rules name>\r\n"
      ";   the line info=<info file> is the text file to load in the info window\r\n"
      ";   all other entries are the filename as it should be in the AF directory = filename in rules directory\r\n"
      ";   e.g.:\r\n"
      ";     rules.ini=<rules file>\r\n"
      ";     art.ini=<art file>\r\n"
      ";   these can be *any* files you want copied into the AF directory, from the ini files to .mix or other "
      "files\r\n";
  EXPECT_EQ(Text(testsupport::ReadFile(Game("Maven\\Maven.ini"))), ini);
}

TEST_F(InstallFlowTest, WithoutOriginalRulesOnlyTheProgramFilesButTheRulesFolderStill) {
  flow.State.InstallOriginalRules = false;
  ui.AnswerYes = false;
  flow.InstallBtnClick();
  for (int i = 0; i < 4; i++) EXPECT_TRUE(fs::exists(Game(std::string("Maven\\") + EntryNames[i])));
  EXPECT_TRUE(fs::is_directory(Game("Rules")));
  EXPECT_TRUE(fs::is_empty(Game("Rules")));
  EXPECT_NE(Text(testsupport::ReadFile(Game("Maven\\Maven.ini"))).find("RulesDir=" + flow.State.RulesDir + "\t"),
            std::string::npos);
  EXPECT_EQ(Percents(), std::vector<std::string>({"17%", "33%", "50%", "67%"}));
  // No: nothing is started, the program ends.
  EXPECT_EQ(std::vector<std::string>(ui.Log.end() - 2, ui.Log.end()),
            std::vector<std::string>({"confirm Installation Complete.\r\rRun Maven now?", "close"}));
}

TEST_F(InstallFlowTest, FolderChecks) {
  std::string game = Sys(dir / "Game") + "\\";
  const struct {
    const char* name;
    std::string mavDir, rulesDir;
    bool valid;
    std::string mavAfter, rulesAfter;  // the texts afterwards
  } cases[] = {
      {"both one level down", game + "M", game + "R\\", true, game + "M\\", game + "R\\"},
      {"existing folders", game, game, true, game, game},
      {"rules two levels down", game + "M\\", game + "X\\R", false, game + "M\\", game + "X\\R\\"},
      {"maven two levels down", game + "X\\M", game + "R", false, game + "X\\M\\", game + "R\\"},
      {"empty maven text", "", game + "R", false, "\\", game + "R\\"},
      {"a file, not a folder", game + "file.txt", game + "R", false, game + "file.txt\\", game + "R\\"},
  };
  testsupport::WriteFile(dir / "Game" / "file.txt", {1});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir / "Game" / "M");
    fs::remove_all(dir / "Game" / "R");
    ui.Log.clear();
    ui.AnswerYes = false;
    flow.State.MavDir = c.mavDir;
    flow.State.RulesDir = c.rulesDir;
    flow.InstallBtnClick();
    EXPECT_EQ(flow.State.MavDir, c.mavAfter);
    EXPECT_EQ(flow.State.RulesDir, c.rulesAfter);
    // Both folders are tried even when the first fails.
    if (c.rulesDir == game + "R" || c.rulesDir == game + "R\\") {
      EXPECT_TRUE(fs::is_directory(dir / "Game" / "R"));
    }
    if (c.valid) {
      EXPECT_EQ(ui.Log.back(), "close");
      EXPECT_TRUE(fs::exists(zlbhost::HostName(c.mavAfter + "Maven.ini")));
    } else {
      EXPECT_EQ(ui.Log, std::vector<std::string>({"agreement", "info One or more specified directories are not valid."}));
    }
  }
}

TEST_F(InstallFlowTest, MissingDataFileOrRefusedAgreementStopsBeforeAnyFolder) {
  ui.Accept = false;
  flow.InstallBtnClick();
  EXPECT_EQ(ui.Log, std::vector<std::string>({"agreement"}));
  EXPECT_FALSE(fs::exists(Game("Maven")));

  fs::remove(dir / "work" / DataFileName);
  ui.Log.clear();
  ui.Accept = true;
  flow.InstallBtnClick();
  EXPECT_EQ(ui.Log, std::vector<std::string>({"info Unable to locate data file InstallMaven.dat. Installation Aborted."}));
  EXPECT_FALSE(fs::exists(Game("Maven")));
}

// After a failure the user is back at the main window with what was written
// so far, and a second try installs everything.
TEST_F(InstallFlowTest, FailureShowsTheErrorThenTheMainWindowAndARetryWorks) {
  fs::path data = dir / "work" / DataFileName;
  const std::vector<uint8_t> good = testsupport::ReadFile(data);
  // The fifth entry's zlib header spoilt, the trailer's CRC made to fit again.
  auto spoilEntry = [&] {
    TZLBArchive a(nullptr);
    a.OpenArchive(Sys(data));
    TZLBEntry e;
    a.GetEntry(5, e);
    ASSERT_EQ(e.Stored, 0);
    std::vector<uint8_t> bytes = good;
    bytes[e.DataOffset] = 0;
    testsupport::WriteFile(data, bytes);
    zlbbase::TFileStream f(Sys(data), zlbbase::fmOpenReadWrite);
    uint32_t crc = a.CalcCRC(f, ZLBTrailerSize);
    f.Seek(-ZLBTrailerSize, zlbbase::soEnd);
    uint8_t le[4] = {uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)};
    f.WriteBuffer(le, 4);
  };
  const struct {
    const char* name;
    std::function<void()> spoil;
    std::string error;
    int filesKept;    // entries written whole before the failure
    int firstAbsent;  // entries from here on not written at all
  } cases[] = {
      {"corrupt archive", [&] { std::vector<uint8_t> b = good; b[10] ^= 0xFF; testsupport::WriteFile(data, b); },
       "The archive file appears to be corrupted", 0, 0},
      {"corrupt entry", spoilEntry, "File (5) is corrupt", 5, 6},
      {"Maven.ini not creatable", [&] { fs::create_directories(Game("Maven\\Maven.ini")); },
       "Cannot create file \"" + Sys(dir / "Game" / "Maven") + "\\Maven.ini\"", 8, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Game("Maven"));
    fs::remove_all(Game("Rules"));
    testsupport::WriteFile(data, good);
    c.spoil();
    ui.Log.clear();
    flow.InstallBtnClick();
    ASSERT_GE(ui.Log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(ui.Log.end() - 3, ui.Log.end()),
              std::vector<std::string>({"error " + c.error, "hide progress", "show main"}));
    for (int i = 0; i < 8; i++) {
      fs::path target = Game(std::string(i < 4 ? "Maven\\" : "Rules\\") + EntryNames[i]);
      if (i < c.filesKept) {
        EXPECT_EQ(testsupport::ReadFile(target), Contents(i)) << i;
      }
      if (i >= c.firstAbsent) {
        EXPECT_FALSE(fs::exists(target)) << i;
      }
    }

    fs::remove_all(Game("Maven\\Maven.ini"));
    testsupport::WriteFile(data, good);
    ui.Log.clear();
    flow.InstallBtnClick();
    EXPECT_EQ(Percents().front(), "17%");  // the bar starts afresh
    EXPECT_EQ(ui.Log.back(), "close");
    EXPECT_TRUE(fs::exists(Game("Maven\\Maven.ini")));
  }
}

// --- Developer mode -----------------------------------------------------------------

TEST_F(InstallFlowTest, DeveloperModeBuildsTheSameArchiveAsTheComponentsCalls) {
  fs::path folder = dir / "Games" / "Ashfall" / "Extras" / "Maven";
  WriteSourceFiles(folder);
  testsupport::WriteFile(folder / DataFileName, {1, 2, 3});  // an old one is replaced
  flow.FormCreate(true);
  ui.Log.clear();
  {
    WorkingFolder back(dir.path());  // the developer mode moves the working folder
    flow.SpeedButton1Click();
  }
  EXPECT_FALSE(flow.State.SpeedButton1Visible);
  EXPECT_EQ(ui.Log, std::vector<std::string>({"close"}));
  fs::path reference = dir / "reference.dat";
  BuildArchive(folder, reference);
  EXPECT_EQ(testsupport::ReadFile(folder / DataFileName), testsupport::ReadFile(reference));

  TZLBArchive a(nullptr);
  a.OpenArchive(Sys(folder / DataFileName));
  ASSERT_EQ(a.Count(), 8);
  for (int i = 0; i < 8; i++) {
    TZLBEntry e;
    a.GetEntry(i, e);
    EXPECT_EQ(e.NameText(), EntryNames[i]);
    EXPECT_EQ(e.PathText(), "");
    EXPECT_EQ(e.Level, e.Stored ? 0 : fcMaximum);
  }
}

// --- Progress -----------------------------------------------------------------------

TEST(InstallProgress, HundredPerFileHalvesToEvenAndNeverBeyondTheBar) {
  TProgressModel p;
  EXPECT_EQ(p.Percent(), "Percent");
  EXPECT_EQ(p.What(), "What");
  std::vector<std::string> seen;
  for (int i = 0; i < 9; i++) {
    p.Advance();
    seen.push_back(p.Percent());
  }
  EXPECT_EQ(seen, std::vector<std::string>({"17%", "33%", "50%", "67%", "83%", "100%", "100%", "100%", "100%"}));
  EXPECT_EQ(p.Position(), 600);
  const struct { int pos, max; const char* text; } halves[] = {
      {1, 200, "0%"}, {3, 200, "2%"}, {5, 200, "2%"}, {7, 200, "4%"}, {0, 600, "0%"}, {599, 600, "100%"}};
  for (const auto& h : halves) EXPECT_EQ(PercentText(h.pos, h.max), h.text) << h.pos << "/" << h.max;
}

}  // namespace
