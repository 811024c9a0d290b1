// The standard controls of dialog-like windows: labels, panels and group
// boxes (painted by the form), and edits, memos, check boxes, buttons and
// progress bars (each given a window of its own by the platform half,
// toolkit/win32/StdCtrls.cpp). The file-open dialog is a non-visual
// component whose Execute the platform half provides.
//
// Every control keeps its value here; the platform window shows it and
// writes back what the user changes (TextEdited, Click...), so a form
// works the same without windows, as the tests use it. Without a window,
// windowed controls paint a plain likeness of themselves on the form's
// canvas, for previews.
#pragma once

#include <functional>
#include <string>

#include "toolkit/forms/Controls.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A caption drawn on its container's colour (unless Transparent), aligned
// in its bounds; with AutoSize it is sized to its text when loaded.
class TLabel : public TGraphicControl {
public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  void Loaded() override;
  TAlignment Alignment() const { return FAlignment; }
  TTextLayout Layout() const { return FLayout; }
  bool Transparent() const { return FTransparent; }
  bool AutoSize() const { return FAutoSize; }
  // The DrawText flags of the caption.
  unsigned TextFlags() const;
  using TGraphicControl::Paint;

protected:
  void Paint() override;

private:
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FTransparent = false, FAutoSize = true, FWordWrap = false;
};

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A container with an outer and an inner bevel (each BevelWidth wide);
// its children sit inside both.
class TPanel : public TWinControl {
public:
  using TWinControl::TWinControl;
  const char* ClassName() const override { return "TPanel"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  TRect ClientRect() const override;
  void Paint(TCanvas& canvas) override;
  TBevelCut BevelOuter() const { return FBevelOuter; }
  TBevelCut BevelInner() const { return FBevelInner; }

private:
  TBevelCut FBevelOuter = bvRaised, FBevelInner = bvNone;
  int FBevelWidth = 1;
};

// A container framed by an etched line with its caption in the top edge.
class TGroupBox : public TWinControl {
public:
  using TWinControl::TWinControl;
  const char* ClassName() const override { return "TGroupBox"; }
  void Paint(TCanvas& canvas) override;
};

// A one-line text box.
class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent* owner);
  const char* ClassName() const override { return "TEdit"; }
  // The look without a platform window (previews, tests).
  void Paint(TCanvas& canvas) override;
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  bool HasWindow() const override { return true; }
  const std::string& Text() const { return FText; }
  void SetText(const std::string& text);
  // The user typed: the text changes without being sent back to the window.
  void TextEdited(const std::string& text) { FText = text; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v) { FReadOnly = v; Changed(); }

private:
  std::string FText;
  bool FReadOnly = false;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A multi-line text box over a string list.
class TMemo : public TWinControl {
public:
  explicit TMemo(TComponent* owner);
  const char* ClassName() const override { return "TMemo"; }
  void Paint(TCanvas& canvas) override;
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  bool HasWindow() const override { return true; }
  TStrings& Lines() { return FLines; }
  const TStrings& Lines() const { return FLines; }
  void TextEdited(const std::string& text);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  bool WordWrap() const { return FWordWrap; }
  bool ReadOnly() const { return FReadOnly; }

private:
  TStringList FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true, FReadOnly = false, FEditing = false;
};

// A check box; a click toggles it and then runs OnClick.
class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(TComponent* owner);
  const char* ClassName() const override { return "TCheckBox"; }
  void Paint(TCanvas& canvas) override;
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  bool HasWindow() const override { return true; }
  bool Checked() const { return FChecked; }
  // Setting the state by program runs OnClick too, when it changes.
  void SetChecked(bool v);
  void Click() override;

private:
  bool FChecked = false;
};

enum TButtonLayout { blGlyphLeft, blGlyphRight };

// A push button. Clicking one with a ModalResult gives its form that
// result (ending a modal showing) before OnClick runs.
class TButton : public TWinControl {
public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  void Paint(TCanvas& canvas) override;
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  bool HasWindow() const override { return true; }
  bool IsDefault() const override { return FDefault; }
  bool IsCancel() const override { return FCancel; }
  int ModalResult() const { return FModalResult; }
  void Click() override;
  // Draws the face in the button's own coordinates: the frame (pressed,
  // focused, default), then the glyph, if any, and the caption side by
  // side, centred together; a disabled one greyed.
  void DrawFace(TCanvas& canvas, bool pressed, bool focused) const;

protected:
  virtual const TBitmap* FaceGlyph() const { return nullptr; }
  virtual TButtonLayout FaceLayout() const { return blGlyphLeft; }

private:
  bool FDefault = false, FCancel = false;
  int FModalResult = mrNone;
};

// A push button with a glyph beside its caption.
class TBitBtn : public TButton {
public:
  using TButton::TButton;
  const char* ClassName() const override { return "TBitBtn"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  TBitmap& Glyph() { return FGlyph; }
  const TBitmap& Glyph() const { return FGlyph; }
  TButtonLayout Layout() const { return FLayout; }

protected:
  const TBitmap* FaceGlyph() const override { return FGlyph.GetEmpty() ? nullptr : &FGlyph; }
  TButtonLayout FaceLayout() const override { return FLayout; }

private:
  TBitmap FGlyph;
  TButtonLayout FLayout = blGlyphLeft;
};

// A bar filled in proportion to Position between Min and Max. Position
// stays within them.
class TProgressBar : public TWinControl {
public:
  using TWinControl::TWinControl;
  const char* ClassName() const override { return "TProgressBar"; }
  void Paint(TCanvas& canvas) override;
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  bool HasWindow() const override { return true; }
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  void SetPosition(int v);
  void SetRange(int min, int max);

private:
  int FMin = 0, FMax = 100, FPosition = 0;
};

enum TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
                   ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist };
using TOpenOptions = TSet<TOpenOption>;

// The file-open dialog. Filter is "description|pattern" pairs joined by
// "|". Execute shows it; true when a file was chosen (FileName is then its
// full path). Natively there is no dialog: Execute runs ExecuteHandler, or
// returns false without one.
class TOpenDialog : public TStoredComponent {
public:
  using TStoredComponent::TStoredComponent;
  const char* ClassName() const override { return "TOpenDialog"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  bool Execute();
  std::string Title, Filter, FileName, InitialDir;
  TOpenOptions Options;
  // The platform's dialog (set by the Windows half) or a test's stand-in.
  static std::function<bool(TOpenDialog&)> ExecuteHandler;
};

// Registers the classes above with the form reader.
void RegisterStandardControls();
