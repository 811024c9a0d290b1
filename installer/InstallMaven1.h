// The installer's main window: the game folder, the two folders to install
// into, the options, Install and Abort. Its handlers run the install flow
// (InstallFlow.h); this class only moves the flow's state into the
// controls and back and gives the flow its boxes and windows. (The flow
// runs gotAFDir and CreateIni itself; "Maven.ini" is composed there, so the
// description's hidden Ini memo stays empty.)
#pragma once

#include <memory>

#include "ArchiveComponent.h"
#include "InstallFlow.h"
#include "toolkit/forms/StdCtrls.h"
#include "toolkit/win32/Forms.h"

extern const char* const InstallerTitle;  // "InstallMaven"

class TMainForm : public TForm, public installmaven::TInstallUI {
public:
  explicit TMainForm(TComponent* owner);
  ~TMainForm() override;
  const char* ClassName() const override { return "TMainForm"; }

  TImage* Image1 = nullptr;
  TLabel *Label1 = nullptr, *Label2 = nullptr, *Label6 = nullptr;
  TEdit *AshDir = nullptr, *MavDir = nullptr, *RulesDir = nullptr;
  TSpeedButton *AFDirBtn = nullptr, *MavenDirHelpBtn = nullptr, *RulesDirHelpBtn = nullptr, *SpeedButton1 = nullptr;
  TPanel* Others = nullptr;
  TCheckBox *InstallProgramFiles = nullptr, *InstallOriginalRules = nullptr, *DebugBox = nullptr;
  TBitBtn *InstallBtn = nullptr, *AbortBtn = nullptr;
  TMemo* Ini = nullptr;
  TOpenDialog* FindAFDirDlg = nullptr;
  installmaven::TArchiveComponent* Archive = nullptr;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void AFDirBtnClick(TObject* sender);
  void MavenDirHelpBtnClick(TObject* sender);
  void RulesDirHelpBtnClick(TObject* sender);
  void InstallBtnClick(TObject* sender);
  void AbortBtnClick(TObject* sender);
  void ArchiveFileExtracted(const std::string& fileName);
  void SpeedButton1Click(TObject* sender);

protected:
  void ComponentsLoaded() override;

private:
  // What the user typed and ticked, into the flow's state.
  void ReadControls();
  // TInstallUI
  void StateChanged() override;
  bool ChooseGameFile(std::string& fileName) override;
  void Information(const std::string& text) override;
  bool Confirmation(const std::string& text) override;
  void ErrorBox(const std::string& text) override;
  bool AgreementAccepted() override;
  void ShowMainWindow(bool visible) override;
  void ShowProgressWindow(bool visible) override;
  void ProgressChanged(const installmaven::TProgressModel& progress) override;
  void StartProgram(const std::string& fileName, const std::string& workingDir) override;
  void CloseMainWindow() override;

  installmaven::TInstallFiles FFiles;
  std::unique_ptr<installmaven::TInstallFlow> FFlow;
  bool FShown = false;
};

extern TMainForm* MainForm;
