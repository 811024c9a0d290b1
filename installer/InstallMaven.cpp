// InstallMaven: installs Maven from "InstallMaven.dat" in the working
// folder into the game's folder.
#include "ArchiveComponent.h"
#include "InstallMaven1.h"
#include "InstallMaven2.h"
#include "InstallMaven3.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  TApplication application;
  try {
    installmaven::RegisterInstallerComponents();
    Application->Initialize();
    Application->SetTitle(InstallerTitle);
    Application->CreateForm(MainForm);
    Application->CreateForm(InstallForm);
    Application->CreateForm(LicenseForm);
    Application->Run();
  } catch (...) {
    Application->HandleException();
  }
  return 0;
}
