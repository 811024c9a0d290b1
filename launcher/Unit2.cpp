#include "launcher/Unit2.h"

TAbout* About = nullptr;
const char* const AddonWebPage = "https://ashfallgold.example.org/";

TAbout::TAbout(TComponent* owner) : TForm(owner) {
  RegisterMethod("SpeedButton1Click", [this](TObject* s) { SpeedButton1Click(s); });
  RegisterMethod("PlasmaForm1Click", [this](TObject* s) { PlasmaForm1Click(s); });
  InitializeForm();
}

void TAbout::SpeedButton1Click(TObject*) { ShellOpen(Handle(), AddonWebPage); }

void TAbout::PlasmaForm1Click(TObject*) { Close(); }
