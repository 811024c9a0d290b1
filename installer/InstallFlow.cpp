#include "InstallFlow.h"

#include <filesystem>
#include <system_error>

#include "ZLBHost.h"

namespace installmaven {

const char* const SDataFileMissing = "Unable to locate data file InstallMaven.dat. Installation Aborted.";
const char* const SInvalidFolders = "One or more specified directories are not valid.";
const char* const SMavenDirHelp =
    "The \"Maven Directory\" is the directory where you want the Maven program files to be installed.\r\r"
    "The default is a subdirectory called \"Maven\" off your Ashfall directory, e.g. \"C:\\Emberworks\\Ashfall\\Maven\\\"";
const char* const SRulesDirHelp =
    "The \"Rules Directory\" is the directory in which you intend to store all the rules files you want Maven to use. \r\r"
    "The default is a subdirectory called \"Rules\" off your Ashfall directory, e.g. \"C:\\Emberworks\\Ashfall\\Rules\\\"";
const char* const SInstallComplete = "Installation Complete.\r\rRun Maven now?";

const char* const DataFileName = "InstallMaven.dat";
const char* const GameFolderHint = "c:\\Emberworks\\Ashfall";
const char* const DeveloperFolder = "C:\\Games\\Ashfall\\Extras\\Maven\\";

const TGameProbe GameProbes[3] = {
    {"C:\\Emberworks\\Ashfall\\Ash.exe", "C:\\Emberworks\\Ashfall\\"},
    {"C:\\Games\\Ashfall\\Ash.exe", "C:\\Games\\Ashfall\\"},
    {"C:\\Program Files\\Ashfall\\Ash.exe", "C:\\Program Files\\Ashfall\\"},
};

const char* const EntryNames[8] = {
    "Maven.exe",          "MavenHelp.dll",      "Maven License.txt", "Original rules.zip",
    "Original rules.add", "original rules.txt", "originalrules.bmp", "rules.ini",
};

const char* const DeveloperFiles[8] = {
    "Maven.exe",
    "MavenHelp.dll",
    "Maven License.txt",
    "Original rules.zip",
    "..\\Rules\\Distrib\\Original rules.add",
    "..\\Rules\\Distrib\\original rules.txt",
    "..\\Rules\\Distrib\\originalrules.bmp",
    "..\\Rules\\Distrib\\rules.ini",
};

namespace {

const int MavenEntries[2] = {0, 3};
const int RulesEntries[2] = {4, 7};
const char* const GameFileSuffix = "ASH.EXE";

void EnsureBackslash(std::string& Folder) {
  if (Folder.empty() || Folder.back() != '\\') Folder += '\\';
}

// The file's own name (after the last backslash) is Upper, in any case.
bool NamedNoCase(const std::string& Text, const std::string& Upper) {
  if (Text.size() <= Upper.size() || Text[Text.size() - Upper.size() - 1] != '\\') return false;
  for (size_t i = 0; i < Upper.size(); i++) {
    char c = Text[Text.size() - Upper.size() + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != Upper[i]) return false;
  }
  return true;
}

}  // namespace

void BuildDataFile(TZLBArchive& Archive, const std::string& DataFile) {
  Archive.CreateArchive(DataFile);
  for (const char* file : DeveloperFiles) Archive.AddFile(file);
}

std::string MavenIniText(const std::string& AshDir, const std::string& RulesDir) {
  const std::string lines[18] = {
      "[Config]",
      "IniVer=2",
      ";Directories:",
      ";MavDir=the directory Maven is in\t;shortname: \"{MavDir}\"",
      "AFDir=" + AshDir + "\t\t;shortname: \"{AFDir}\"",
      "RulesDir=" + RulesDir + "\t\t;can use {AFDir} or {MavDir}, shortname: \"{RulesDir}\"",
      "",
      "[Rules]",
      "; > Be aware you obviously can not use a ; in any files name...! <",
      ";",
      "; Format:",
      ";   All rules refs start with name=<rules name>",
      ";   the line info=<info file> is the text file to load in the info window",
      ";   all other entries are the filename as it should be in the AF directory = filename in rules directory",
      ";   e.g.:",
      ";     rules.ini=<rules file>",
      ";     art.ini=<art file>",
      ";   these can be *any* files you want copied into the AF directory, from the ini files to .mix or other files",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// --- Files -----------------------------------------------------------------------

bool TInstallFiles::FileExists(const std::string& Name) { return zlbhost::FileExists(Name); }
bool TInstallFiles::DirectoryExists(const std::string& Name) { return zlbhost::DirectoryExists(Name); }
bool TInstallFiles::EraseFile(const std::string& Name) { return zlbhost::EraseFile(Name); }

bool TInstallFiles::CreateDir(const std::string& Name) {
  if (Name.empty()) return false;
  std::error_code ec;
  return std::filesystem::create_directory(zlbhost::HostName(Name), ec) && !ec;
}

bool TInstallFiles::SetCurrentDir(const std::string& Name) {
  std::error_code ec;
  std::filesystem::current_path(zlbhost::HostName(Name), ec);
  return !ec;
}

// --- The main window's handlers --------------------------------------------------

TInstallFlow::TInstallFlow(TInstallUI& UI, TInstallFiles& Files, TZLBArchive& Archive)
    : FUI(UI), FFiles(Files), FArchive(Archive) {
  FArchive.OnFileExtracted = [this](const std::string& FileName) { ArchiveFileExtracted(FileName); };
}

void TInstallFlow::FormCreate(bool DebugBoxChecked) {
  State.DebugMode = DebugBoxChecked;
  if (State.DebugMode) State.SpeedButton1Visible = true;
  FUI.StateChanged();
}

void TInstallFlow::FormShow() {
  State.AshDir.clear();
  State.MavDir.clear();
  State.RulesDir.clear();
  for (const TGameProbe& probe : GameProbes)
    if (FFiles.FileExists(probe.File)) State.AshDir = probe.Folder;
  if (!State.AshDir.empty()) {
    gotAFDir();
    return;
  }
  State.AshDir = GameFolderHint;
  FUI.StateChanged();
}

void TInstallFlow::gotAFDir() {
  State.InstallEnabled = true;
  State.AFDirBtnVisible = false;
  State.MavDir = State.AshDir + "Maven\\";
  State.RulesDir = State.AshDir + "Rules\\";
  State.OthersVisible = true;
  FUI.StateChanged();
}

void TInstallFlow::AFDirBtnClick() {
  std::string fileName;
  if (!FUI.ChooseGameFile(fileName)) return;
  std::string suffix = GameFileSuffix;
  if (!NamedNoCase(fileName, suffix)) return;
  State.AshDir = fileName.substr(0, fileName.size() - suffix.size());
  gotAFDir();
}

void TInstallFlow::MavenDirHelpBtnClick() { FUI.Information(SMavenDirHelp); }
void TInstallFlow::RulesDirHelpBtnClick() { FUI.Information(SRulesDirHelp); }
void TInstallFlow::AbortBtnClick() { FUI.CloseMainWindow(); }

void TInstallFlow::ArchiveFileExtracted(const std::string&) {
  FProgress.Advance();
  FUI.ProgressChanged(FProgress);
}

// Both folders are tried, so a bad Maven folder does not leave the rules
// folder uncreated; then both texts get their trailing backslash.
bool TInstallFlow::ValidateFolders() {
  bool valid = true;
  for (const std::string* folder : {&State.MavDir, &State.RulesDir})
    if (!FFiles.DirectoryExists(*folder) && !FFiles.CreateDir(*folder)) valid = false;
  EnsureBackslash(State.MavDir);
  EnsureBackslash(State.RulesDir);
  FUI.StateChanged();
  return valid;
}

void TInstallFlow::InstallBtnClick() {
  if (!FFiles.FileExists(DataFileName)) {
    FUI.Information(SDataFileMissing);
    return;
  }
  if (!FUI.AgreementAccepted()) return;
  if (!ValidateFolders()) {
    FUI.Information(SInvalidFolders);
    return;
  }
  FUI.ShowMainWindow(false);
  FProgress.Reset();
  FUI.ShowProgressWindow(true);
  FUI.ProgressChanged(FProgress);
  try {
    Install();
  } catch (const std::exception& e) {
    FUI.ErrorBox(e.what());
    FUI.ShowProgressWindow(false);
    FUI.ShowMainWindow(true);
    return;
  }
  FUI.ShowProgressWindow(false);
  std::string maven = State.MavDir + EntryNames[0];
  bool found = FFiles.FileExists(maven);
  if (FUI.Confirmation(SInstallComplete) && found) FUI.StartProgram(maven, State.MavDir);
  FUI.CloseMainWindow();
}

void TInstallFlow::Install() {
  FArchive.OpenArchive(DataFileName);
  if (State.InstallProgramFiles) ExtractEntries(MavenEntries[0], MavenEntries[1], State.MavDir);
  if (State.InstallOriginalRules) ExtractEntries(RulesEntries[0], RulesEntries[1], State.RulesDir);
  CreateIni();
}

void TInstallFlow::ExtractEntries(int First, int Last, const std::string& Folder) {
  for (int index = First; index <= Last; index++) {
    TZLBEntry entry;
    FArchive.GetEntry(index, entry);
    FProgress.SetWhat(entry.NameText());
    FUI.ProgressChanged(FProgress);
    FArchive.ExtractFile(Folder, index);
  }
}

void TInstallFlow::CreateIni() {
  std::string name = State.MavDir + "Maven.ini";
  std::string text = MavenIniText(State.AshDir, State.RulesDir);
  try {
    TFileStream file(name, fmCreate);
    file.WriteBuffer(text.data(), text.size());
  } catch (const EStreamError&) {
    throw EFCreateError(FormatMessage1(SFCreateError, name));
  }
}

void TInstallFlow::SpeedButton1Click() {
  if (!State.DebugMode) return;
  State.SpeedButton1Visible = false;
  FUI.StateChanged();
  FFiles.SetCurrentDir(DeveloperFolder);
  if (FFiles.FileExists(DataFileName)) FFiles.EraseFile(DataFileName);
  BuildDataFile(FArchive, DataFileName);
  FUI.CloseMainWindow();
}

}  // namespace installmaven
