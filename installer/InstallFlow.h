// InstallFlow.h - what the installer's main window does, without the window.
//
// TInstallFlow holds the main window's state (the three folder texts, which
// controls are shown and enabled, the two options) and runs its handlers:
// finding the game folder, picking it, the help texts, the install sequence
// with the writing of "Maven.ini", and the developer mode that builds
// "InstallMaven.dat". The windows reach it through TInstallUI; the file
// system through TInstallFiles. Every name is a system name (Windows ANSI,
// backslashes; see installer/archive/ZLBHost.h).
//
// Deliberate departures from the install sequence as first written:
// - A failure while extracting or while saving "Maven.ini" shows the
//   standard error box, then hides the progress window and shows the main
//   window again, so the user can retry or abort; files written so far stay.
//   A retry starts the progress window afresh.
// - A picked file is the game only when its own name is "Ash.exe" (in any
//   letter case): a name merely ending so, such as "Flash.exe", would have
//   made "...\Fl" the game folder.
// - The Maven folder's help text gives the Maven folder as its example.
#pragma once

#include <string>

#include "InstallState.h"
#include "ZLIBArchive.h"

namespace installmaven {

// The fixed texts of the main window's boxes.
extern const char* const SDataFileMissing;  // "Unable to locate data file InstallMaven.dat. ..."
extern const char* const SInvalidFolders;   // "One or more specified directories are not valid."
extern const char* const SMavenDirHelp;
extern const char* const SRulesDirHelp;
extern const char* const SInstallComplete;  // "Installation Complete.\r\rRun Maven now?"

extern const char* const DataFileName;      // "InstallMaven.dat", in the working folder
extern const char* const GameFolderHint;    // "c:\Emberworks\Ashfall"
extern const char* const DeveloperFolder;   // "C:\Games\Ashfall\Extras\Maven\"

// The places probed for the game, in order; the last one present wins.
struct TGameProbe {
  const char* File;    // "C:\Emberworks\Ashfall\Ash.exe"...
  const char* Folder;  // its folder with a trailing backslash
};
extern const TGameProbe GameProbes[3];

// The archive's entries, by index: 0 to 3 go to the Maven folder, 4 to 7 to
// the rules folder. DeveloperFiles are the files the developer mode adds, in
// entry order, relative to DeveloperFolder.
extern const char* const EntryNames[8];
extern const char* const DeveloperFiles[8];

// Builds the data file `DataFile` as the developer mode does, from the
// eight DeveloperFiles relative to the working folder, in entry order.
void BuildDataFile(TZLBArchive& Archive, const std::string& DataFile);

// The 18 lines of "Maven.ini", each ended by CR LF. AshDir and RulesDir are
// written as given (with their trailing backslashes).
std::string MavenIniText(const std::string& AshDir, const std::string& RulesDir);

// Platform file operations.
class TInstallFiles {
public:
  virtual ~TInstallFiles() = default;
  virtual bool FileExists(const std::string& Name);
  virtual bool DirectoryExists(const std::string& Name);
  // Creates one folder; fails when its parent does not exist.
  virtual bool CreateDir(const std::string& Name);
  virtual bool SetCurrentDir(const std::string& Name);
  virtual bool EraseFile(const std::string& Name);
};

// What the flow asks of the three windows and the platform's dialogs.
class TInstallUI {
public:
  virtual ~TInstallUI() = default;
  // The main window's controls follow TInstallFlow::State.
  virtual void StateChanged() = 0;
  // The "Find Ashfall Directory" dialog; false when cancelled.
  virtual bool ChooseGameFile(std::string& FileName) = 0;
  // Information box (icon, "Information", "OK").
  virtual void Information(const std::string& Text) = 0;
  // Confirmation box ("Confirm", "&Yes" / "&No"); true for Yes.
  virtual bool Confirmation(const std::string& Text) = 0;
  // The standard error box with a failure's text.
  virtual void ErrorBox(const std::string& Text) = 0;
  // Shows the agreement window modally; true when it closed with OK.
  virtual bool AgreementAccepted() = 0;
  virtual void ShowMainWindow(bool Visible) = 0;
  virtual void ShowProgressWindow(bool Visible) = 0;
  // The progress window follows the model; then it is repainted at once.
  virtual void ProgressChanged(const TProgressModel& Progress) = 0;
  // Starts a program through the shell (default verb, shown normally).
  virtual void StartProgram(const std::string& FileName, const std::string& WorkingDir) = 0;
  // Closes the main window, which ends the program.
  virtual void CloseMainWindow() = 0;
};

class TInstallFlow {
public:
  // Archive is the main window's component (CompressionLevel fcMaximum);
  // its OnFileExtracted is bound to ArchiveFileExtracted here.
  TInstallFlow(TInstallUI& UI, TInstallFiles& Files, TZLBArchive& Archive);

  TMainFormState State;
  const TProgressModel& Progress() const { return FProgress; }

  void FormCreate(bool DebugBoxChecked);
  // Probes the three places; the last file present gives the game folder.
  // None: the folder hint only, Install disabled, the panel hidden.
  void FormShow();
  void gotAFDir();
  // Accepts a picked file named "Ash.exe" in any letter case; the game
  // folder is its folder, with the backslash. Other files change nothing.
  void AFDirBtnClick();
  void MavenDirHelpBtnClick();
  void RulesDirHelpBtnClick();
  // The install sequence. Failures of the archive or of "Maven.ini" are
  // shown in the error box and lead back to the main window.
  void InstallBtnClick();
  void AbortBtnClick();
  // One file written: the bar moves on by one step.
  void ArchiveFileExtracted(const std::string& FileName);
  // Writes "Maven.ini" into the Maven folder, replacing an earlier one.
  // Raises EFCreateError "Cannot create file "<name>"" when it cannot.
  void CreateIni();
  // Developer mode: builds DataFileName in DeveloperFolder from the eight
  // DeveloperFiles, then closes the main window. Archive errors pass out.
  void SpeedButton1Click();

private:
  bool ValidateFolders();
  void ExtractEntries(int First, int Last, const std::string& Folder);
  void Install();

  TInstallUI& FUI;
  TInstallFiles& FFiles;
  TZLBArchive& FArchive;
  TProgressModel FProgress;
};

}  // namespace installmaven
