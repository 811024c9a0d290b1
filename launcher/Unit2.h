// The about window: its button opens the add-on's web page; a click
// anywhere else on it closes it.
#pragma once

#include "toolkit/win32/Forms.h"

extern const char* const AddonWebPage;

class TAbout : public TForm {
public:
  explicit TAbout(TComponent* owner);
  const char* ClassName() const override { return "TAbout"; }
  void SpeedButton1Click(TObject* sender);
  void PlasmaForm1Click(TObject* sender);
};

extern TAbout* About;
