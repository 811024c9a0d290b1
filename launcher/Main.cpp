#include "launcher/Main.h"

#include "launcher/Unit1.h"
#include "launcher/Unit2.h"

TMain* Main = nullptr;
const char* const AppTitle = "Ashfall Gold";

TMain::TMain(TComponent* owner) : TForm(owner) {
  RegisterMethod("FormCreate", [this](TObject* s) { FormCreate(s); });
  RegisterMethod("SpeedButton1Click", [this](TObject* s) { SpeedButton1Click(s); });
  RegisterMethod("SpeedButton2Click", [this](TObject* s) { SpeedButton2Click(s); });
  RegisterMethod("SpeedButton3Click", [this](TObject* s) { SpeedButton3Click(s); });
  RegisterMethod("SpeedButton4Click", [this](TObject* s) { SpeedButton4Click(s); });
  RegisterMethod("SpeedButton5Click", [this](TObject* s) { SpeedButton5Click(s); });
  RegisterMethod("SpeedButton6Click", [this](TObject* s) { SpeedButton6Click(s); });
  RegisterMethod("SpeedButton7Click", [this](TObject* s) { SpeedButton7Click(s); });
  InitializeForm();
}

void TMain::ComponentsLoaded() {
  Image1 = FindLoaded<TImage>(*this, "Image1");
  Image2 = FindLoaded<TImage>(*this, "Image2");
  Image3 = FindLoaded<TImage>(*this, "Image3");
  PlasmaForm1 = FindLoaded<TControl>(*this, "PlasmaForm1");
  SpeedButton1 = FindLoaded<TSpeedButton>(*this, "SpeedButton1");
  SpeedButton2 = FindLoaded<TSpeedButton>(*this, "SpeedButton2");
  SpeedButton3 = FindLoaded<TSpeedButton>(*this, "SpeedButton3");
  SpeedButton4 = FindLoaded<TSpeedButton>(*this, "SpeedButton4");
  SpeedButton5 = FindLoaded<TSpeedButton>(*this, "SpeedButton5");
  SpeedButton6 = FindLoaded<TSpeedButton>(*this, "SpeedButton6");
  SpeedButton7 = FindLoaded<TSpeedButton>(*this, "SpeedButton7");
  NOVHint1 = FindLoaded<TComponent>(*this, "NOVHint1");
  NOVBackground1 = FindLoaded<TComponent>(*this, "NOVBackground1");
}

void TMain::ShowState(bool on) {
  Image2->SetVisible(on);
  Image3->SetVisible(!on);
}

void TMain::FormCreate(TObject*) {
  // Any failure here leaves the off indicator as designed.
  try {
    FRegistry = std::make_unique<TRegistry>(FRegistryStore, RegRoot(HKEY_CURRENT_USER));
    FState = std::make_unique<TRegistryAddonState>(*FRegistry);
    if (OpenAddonState(*FRegistry)) ShowState(true);
  } catch (...) {
  }
}

void TMain::SpeedButton1Click(TObject*) {
  if (FState->ReadEnabled()) {
    MessageBeep(MB_ICONQUESTION);
    Form2->ShowModal();
  } else {
    Application->Terminate();
  }
}

void TMain::SpeedButton2Click(TObject*) { Application->Minimize(); }

void TMain::SpeedButton3Click(TObject*) { About->ShowModal(); }

void TMain::SpeedButton4Click(TObject*) {
  if (SwitchOn(FFiles, *FState) == srAlreadyOn) {
    Application->MessageBox("Ashfall Gold is already enabled", AppTitle, MB_OK | MB_ICONINFORMATION);
    return;
  }
  ShowState(true);
  MessageBeep(MB_OK);
}

void TMain::SpeedButton5Click(TObject*) {
  if (SwitchOff(FFiles, *FState) == srAlreadyOff) {
    Application->MessageBox("Ashfall Gold is not Enabled", AppTitle, MB_OK | MB_ICONINFORMATION);
    return;
  }
  ShowState(false);
  MessageBeep(MB_OK);
}

void TMain::SpeedButton6Click(TObject*) {
  ShellOpen(Handle(), "Ash.exe");
  Application->Minimize();
}

void TMain::SpeedButton7Click(TObject*) {
  ShellOpen(Handle(), "afgold.hlp");
  Application->Minimize();
}
