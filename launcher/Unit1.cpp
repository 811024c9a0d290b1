#include "launcher/Unit1.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(TComponent* owner) : TForm(owner) {
  RegisterMethod("SpeedButton1Click", [this](TObject* s) { SpeedButton1Click(s); });
  RegisterMethod("SpeedButton2Click", [this](TObject* s) { SpeedButton2Click(s); });
  InitializeForm();
}

void TForm2::SpeedButton1Click(TObject*) { Application->Terminate(); }

void TForm2::SpeedButton2Click(TObject*) { Close(); }
