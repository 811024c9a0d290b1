#include "InstallMaven1.h"

#include <shellapi.h>

#include "InstallMaven2.h"
#include "InstallMaven3.h"

TMainForm* MainForm = nullptr;
const char* const InstallerTitle = "InstallMaven";

using installmaven::TProgressModel;

TMainForm::TMainForm(TComponent* owner) : TForm(owner) {
  RegisterMethod("FormCreate", [this](TObject* s) { FormCreate(s); });
  RegisterMethod("FormShow", [this](TObject* s) { FormShow(s); });
  RegisterMethod("AFDirBtnClick", [this](TObject* s) { AFDirBtnClick(s); });
  RegisterMethod("MavenDirHelpBtnClick", [this](TObject* s) { MavenDirHelpBtnClick(s); });
  RegisterMethod("RulesDirHelpBtnClick", [this](TObject* s) { RulesDirHelpBtnClick(s); });
  RegisterMethod("InstallBtnClick", [this](TObject* s) { InstallBtnClick(s); });
  RegisterMethod("AbortBtnClick", [this](TObject* s) { AbortBtnClick(s); });
  RegisterMethod("SpeedButton1Click", [this](TObject* s) { SpeedButton1Click(s); });
  Methods().Register<void(const std::string&)>("ArchiveFileExtracted",
                                               [this](const std::string& f) { ArchiveFileExtracted(f); });
  InitializeForm();
}

TMainForm::~TMainForm() = default;

void TMainForm::ComponentsLoaded() {
  Image1 = FindLoaded<TImage>(*this, "Image1");
  Label1 = FindLoaded<TLabel>(*this, "Label1");
  Label2 = FindLoaded<TLabel>(*this, "Label2");
  Label6 = FindLoaded<TLabel>(*this, "Label6");
  AshDir = FindLoaded<TEdit>(*this, "AshDir");
  MavDir = FindLoaded<TEdit>(*this, "MavDir");
  RulesDir = FindLoaded<TEdit>(*this, "RulesDir");
  AFDirBtn = FindLoaded<TSpeedButton>(*this, "AFDirBtn");
  MavenDirHelpBtn = FindLoaded<TSpeedButton>(*this, "MavenDirHelpBtn");
  RulesDirHelpBtn = FindLoaded<TSpeedButton>(*this, "RulesDirHelpBtn");
  SpeedButton1 = FindLoaded<TSpeedButton>(*this, "SpeedButton1");
  Others = FindLoaded<TPanel>(*this, "Others");
  InstallProgramFiles = FindLoaded<TCheckBox>(*this, "InstallProgramFiles");
  InstallOriginalRules = FindLoaded<TCheckBox>(*this, "InstallOriginalRules");
  DebugBox = FindLoaded<TCheckBox>(*this, "DebugBox");
  InstallBtn = FindLoaded<TBitBtn>(*this, "InstallBtn");
  AbortBtn = FindLoaded<TBitBtn>(*this, "AbortBtn");
  Ini = FindLoaded<TMemo>(*this, "Ini");
  FindAFDirDlg = FindLoaded<TOpenDialog>(*this, "FindAFDirDlg");
  Archive = FindLoaded<installmaven::TArchiveComponent>(*this, "Archive");
  // The flow binds the archive's OnFileExtracted to its own advance, which
  // is what ArchiveFileExtracted runs.
  FFlow = std::make_unique<installmaven::TInstallFlow>(*this, FFiles, Archive->Archive());
}

// --- controls and state ------------------------------------------------------------

void TMainForm::ReadControls() {
  installmaven::TMainFormState& s = FFlow->State;
  s.MavDir = MavDir->Text();
  s.RulesDir = RulesDir->Text();
  s.InstallProgramFiles = InstallProgramFiles->Checked();
  s.InstallOriginalRules = InstallOriginalRules->Checked();
}

void TMainForm::StateChanged() {
  const installmaven::TMainFormState& s = FFlow->State;
  AshDir->SetText(s.AshDir);
  MavDir->SetText(s.MavDir);
  RulesDir->SetText(s.RulesDir);
  InstallBtn->SetEnabled(s.InstallEnabled);
  Others->SetVisible(s.OthersVisible);
  AFDirBtn->SetVisible(s.AFDirBtnVisible);
  SpeedButton1->SetVisible(s.SpeedButton1Visible);
}

// --- handlers ------------------------------------------------------------------------

void TMainForm::FormCreate(TObject*) { FFlow->FormCreate(DebugBox->Checked()); }

// The window is shown again after a failed install; the folders found and
// typed then stay as they are.
void TMainForm::FormShow(TObject*) {
  if (FShown) return;
  FShown = true;
  FFlow->FormShow();
}

void TMainForm::AFDirBtnClick(TObject*) { FFlow->AFDirBtnClick(); }
void TMainForm::MavenDirHelpBtnClick(TObject*) { FFlow->MavenDirHelpBtnClick(); }
void TMainForm::RulesDirHelpBtnClick(TObject*) { FFlow->RulesDirHelpBtnClick(); }
void TMainForm::AbortBtnClick(TObject*) { FFlow->AbortBtnClick(); }
void TMainForm::ArchiveFileExtracted(const std::string& fileName) { FFlow->ArchiveFileExtracted(fileName); }

void TMainForm::InstallBtnClick(TObject*) {
  ReadControls();
  FFlow->InstallBtnClick();
}

void TMainForm::SpeedButton1Click(TObject*) { FFlow->SpeedButton1Click(); }

// --- what the flow asks of the windows ------------------------------------------------

bool TMainForm::ChooseGameFile(std::string& fileName) {
  if (!FindAFDirDlg->Execute()) return false;
  fileName = FindAFDirDlg->FileName;
  return true;
}

void TMainForm::Information(const std::string& text) {
  Application->MessageBox(text, "Information", MB_OK | MB_ICONINFORMATION);
}

bool TMainForm::Confirmation(const std::string& text) {
  return Application->MessageBox(text, "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TMainForm::ErrorBox(const std::string& text) {
  Application->MessageBox(ErrorBoxText(text), Application->Title(), MB_OK | MB_ICONSTOP);
}

bool TMainForm::AgreementAccepted() { return LicenseForm->ShowModal() == mrOk; }

void TMainForm::ShowMainWindow(bool visible) {
  if (visible) Show();
  else Hide();
}

void TMainForm::ShowProgressWindow(bool visible) {
  if (visible) {
    InstallForm->Show();
    InstallForm->Repaint();
  } else {
    InstallForm->Hide();
  }
}

void TMainForm::ProgressChanged(const TProgressModel& progress) { InstallForm->ShowProgress(progress); }

void TMainForm::StartProgram(const std::string& fileName, const std::string& workingDir) {
  ShellExecuteA(Handle(), nullptr, fileName.c_str(), nullptr, workingDir.c_str(), SW_SHOWNORMAL);
}

void TMainForm::CloseMainWindow() { Close(); }
