// AFGold: the launcher of the Ashfall Gold add-on, started in the game's
// folder.
#include "launcher/Components.h"
#include "launcher/Main.h"
#include "launcher/Unit1.h"
#include "launcher/Unit2.h"

#include "gif/GIFImage.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  TApplication application;
  try {
    GIFImageInitialize();
    RegisterLauncherComponents();
    Application->Initialize();
    Application->SetTitle(AppTitle);
    Application->CreateForm(Main);
    Application->CreateForm(About);
    Application->CreateForm(Form2);
    Application->Run();
  } catch (...) {
    Application->HandleException();
  }
  return 0;
}
