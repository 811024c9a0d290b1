#include "InstallMaven3.h"

TLicenseForm* LicenseForm = nullptr;

TLicenseForm::TLicenseForm(TComponent* owner) : TForm(owner) {
  RegisterMethod("ReadItClick", [this](TObject* s) { ReadItClick(s); });
  InitializeForm();
}

void TLicenseForm::ComponentsLoaded() {
  Memo1 = FindLoaded<TMemo>(*this, "Memo1");
  ReadIt = FindLoaded<TCheckBox>(*this, "ReadIt");
  NextBtn = FindLoaded<TBitBtn>(*this, "NextBtn");
  CancelBtn = FindLoaded<TBitBtn>(*this, "CancelBtn");
}

void TLicenseForm::ReadItClick(TObject*) { NextBtn->SetEnabled(ReadIt->Checked()); }
