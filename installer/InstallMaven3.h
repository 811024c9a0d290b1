// The agreement window: the terms in a memo, "I accept" enabling Next.
// Shown modally; its result is mrOk only when closed with Next. Kept for
// the program's life, so the box stays ticked between showings.
#pragma once

#include "toolkit/forms/StdCtrls.h"
#include "toolkit/win32/Forms.h"

class TLicenseForm : public TForm {
public:
  explicit TLicenseForm(TComponent* owner);
  const char* ClassName() const override { return "TLicenseForm"; }

  TMemo* Memo1 = nullptr;
  TCheckBox* ReadIt = nullptr;
  TBitBtn* NextBtn = nullptr;
  TBitBtn* CancelBtn = nullptr;

  // Next is enabled exactly while "I accept" is ticked.
  void ReadItClick(TObject* sender);

protected:
  void ComponentsLoaded() override;
};

extern TLicenseForm* LicenseForm;
