// The warning window, shown by the close button while the add-on is on:
// Yes ends the program, No returns to the launcher.
#pragma once

#include "toolkit/win32/Forms.h"

class TForm2 : public TForm {
public:
  explicit TForm2(TComponent* owner);
  const char* ClassName() const override { return "TForm2"; }
  void SpeedButton1Click(TObject* sender);  // Yes
  void SpeedButton2Click(TObject* sender);  // No
};

extern TForm2* Form2;
