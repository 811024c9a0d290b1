// The progress window: a borderless bevelled box with the entry being
// extracted, a bar from 0 to 600 and the percentage.
#pragma once

#include "InstallState.h"
#include "toolkit/forms/StdCtrls.h"
#include "toolkit/win32/Forms.h"

class TInstallForm : public TForm {
public:
  explicit TInstallForm(TComponent* owner);
  const char* ClassName() const override { return "TInstallForm"; }

  TPanel* Panel1 = nullptr;
  TLabel* What = nullptr;
  TProgressBar* ProgressBar = nullptr;
  TLabel* Percent = nullptr;

  // Shows the model's entry name, bar position and percentage, and paints
  // at once (the install runs on the window thread).
  void ShowProgress(const installmaven::TProgressModel& progress);

protected:
  void ComponentsLoaded() override;
};

extern TInstallForm* InstallForm;
