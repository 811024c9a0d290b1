// InstallState.h - the state the installer's windows show: the main
// window's folders and switches, and the progress window's bar and texts.
// Free of the archive, so window code and descriptions can use it alone.
#pragma once

#include <string>

namespace installmaven {

struct TMainFormState {
  std::string AshDir, MavDir, RulesDir;  // the three edits
  bool InstallEnabled = false;           // InstallBtn
  bool OthersVisible = false;            // the panel with the two folders
  bool AFDirBtnVisible = true;           // the browse button
  bool InstallProgramFiles = true;       // checked and disabled
  bool InstallOriginalRules = true;      // the user may clear it
  bool DebugMode = false;                // from DebugBox at creation
  bool SpeedButton1Visible = false;      // the developer-mode button
};

// The progress window's bar (0..600, 100 per written file, never beyond the
// maximum) and its percentage, rounded to the nearest integer, halves to even.
class TProgressModel {
public:
  static constexpr int Max = 600;
  static constexpr int Step = 100;
  void Reset();
  void Advance();
  int Position() const { return FPosition; }
  const std::string& What() const { return FWhat; }
  void SetWhat(const std::string& Text) { FWhat = Text; }
  const std::string& Percent() const { return FPercent; }

private:
  int FPosition = 0;
  std::string FWhat = "What";        // the labels' design-time texts
  std::string FPercent = "Percent";
};
// Position * 100 / Max rounded, halves to even, followed by "%".
std::string PercentText(int Position, int Max);

}  // namespace installmaven
