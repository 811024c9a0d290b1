#include "toolkit/forms/StdCtrls.h"

#include "toolkit/forms/Properties.h"

using namespace formprops;

// --- TLabel ---------------------------------------------------------------------

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) { FParentColor = true; }

bool TLabel::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Alignment") FAlignment = static_cast<TAlignment>(AsEnum(*this, name, v, {"taLeftJustify", "taRightJustify", "taCenter"}));
  else if (name == "Layout") FLayout = static_cast<TTextLayout>(AsEnum(*this, name, v, {"tlTop", "tlCenter", "tlBottom"}));
  else if (name == "Transparent") FTransparent = AsBool(*this, name, v);
  else if (name == "AutoSize") FAutoSize = AsBool(*this, name, v);
  else if (name == "WordWrap") FWordWrap = AsBool(*this, name, v);
  else return TGraphicControl::ReadProperty(name, v, root);
  return true;
}

unsigned TLabel::TextFlags() const {
  static const unsigned horizontal[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  unsigned flags = horizontal[FAlignment];
  if (FWordWrap) flags |= DT_WORDBREAK;
  else flags |= DT_SINGLELINE;
  if (FLayout == tlCenter) flags |= DT_VCENTER;
  if (FLayout == tlBottom) flags |= DT_BOTTOM;
  return flags;
}

// An auto-sized label takes the size of its text, measured with a canvas
// of the platform's kind on a small bitmap.
void TLabel::Loaded() {
  TGraphicControl::Loaded();
  if (!FAutoSize || FCaption.empty()) return;
  TBitmap scratch;
  scratch.SetWidth(1);
  scratch.SetHeight(1);
  TCanvas& c = scratch.Canvas();
  c.Font().Assign(&Font());
  TRect r = Rect(0, 0, 0, 0);
  c.DrawText(FCaption, r, DT_CALCRECT | (TextFlags() & ~(DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM)));
  int width = r.Width();
  // A right-aligned label keeps its right edge.
  int left = FAlignment == taRightJustify && FWidth > 0 ? FLeft + FWidth - width : FLeft;
  SetBounds(left, FTop, width, r.Height());
}

void TLabel::Paint() {
  TCanvas& c = *Canvas();
  TRect r = ClientRect();
  if (!FTransparent) {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(r);
  }
  c.Font().Assign(&Font());
  c.SetBackgroundMode(bkTransparent);
  if (!EffectivelyEnabled()) {
    TRect shifted = Rect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
    c.Font().SetColor(clBtnHighlight);
    c.DrawText(FCaption, shifted, TextFlags());
    c.Font().SetColor(clBtnShadow);
  }
  c.DrawText(FCaption, r, TextFlags());
}

// --- TPanel ---------------------------------------------------------------------

bool TPanel::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "BevelOuter") FBevelOuter = static_cast<TBevelCut>(AsEnum(*this, name, v, {"bvNone", "bvLowered", "bvRaised"}));
  else if (name == "BevelInner") FBevelInner = static_cast<TBevelCut>(AsEnum(*this, name, v, {"bvNone", "bvLowered", "bvRaised"}));
  else if (name == "BevelWidth") FBevelWidth = AsInt(*this, name, v);
  else return TWinControl::ReadProperty(name, v, root);
  return true;
}

TRect TPanel::ClientRect() const {
  int inset = ((FBevelOuter != bvNone) + (FBevelInner != bvNone)) * FBevelWidth;
  return Rect(inset, inset, FWidth - inset, FHeight - inset);
}

void TPanel::Paint(TCanvas& canvas) {
  TRect r = FormBounds();
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  for (TBevelCut bevel : {FBevelOuter, FBevelInner}) {
    if (bevel == bvNone) continue;
    for (int i = 0; i < FBevelWidth; i++) {
      if (bevel == bvRaised) canvas.Frame3D(r, clBtnHighlight, clBtnShadow);
      else canvas.Frame3D(r, clBtnShadow, clBtnHighlight);
      r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    }
  }
  if (!FCaption.empty()) {
    canvas.Font().Assign(&Font());
    canvas.SetBackgroundMode(bkTransparent);
    canvas.DrawText(FCaption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

// --- TGroupBox ------------------------------------------------------------------

void TGroupBox::Paint(TCanvas& canvas) {
  TRect r = FormBounds();
  canvas.Font().Assign(&Font());
  int textHeight = canvas.TextHeight("0");
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  // The etched frame: shadow, with highlight one pixel in and below.
  TRect frame = Rect(r.Left, r.Top + textHeight / 2, r.Right - 1, r.Bottom - 1);
  canvas.Frame3D(Rect(frame.Left + 1, frame.Top + 1, frame.Right + 1, frame.Bottom + 1), clBtnHighlight, clBtnHighlight);
  canvas.Frame3D(frame, clBtnShadow, clBtnShadow);
  if (FCaption.empty()) return;
  int width = canvas.TextWidth(FCaption);
  TRect text = Rect(r.Left + 8, r.Top, r.Left + 8 + width + 2, r.Top + textHeight);
  canvas.FillRect(text);
  canvas.SetBackgroundMode(bkTransparent);
  if (!EffectivelyEnabled()) canvas.Font().SetColor(clGrayText);
  canvas.TextOut(text.Left + 1, text.Top, FCaption);
}

// --- TEdit ----------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  FColor = clWindow;
  FTabStop = true;
}

bool TEdit::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Text") FText = AsString(*this, name, v);
  else if (name == "ReadOnly") FReadOnly = AsBool(*this, name, v);
  else return TWinControl::ReadProperty(name, v, root);
  return true;
}

void TEdit::SetText(const std::string& text) {
  if (text == FText) return;
  FText = text;
  Changed();
}

// --- TMemo ----------------------------------------------------------------------

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
  FColor = clWindow;
  FTabStop = true;
  FLines.OnChange = [this](TObject*) {
    if (!FEditing) Changed();
  };
}

bool TMemo::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Lines.Strings") {
    if (v.Kind != vaList) PropertyError(*this, name, "Invalid property value");
    FLines.Clear();
    for (const std::string& line : v.Items) FLines.Add(line);
  } else if (name == "ScrollBars") FScrollBars = static_cast<TScrollStyle>(AsEnum(*this, name, v, {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}));
  else if (name == "WordWrap") FWordWrap = AsBool(*this, name, v);
  else if (name == "ReadOnly") FReadOnly = AsBool(*this, name, v);
  else return TWinControl::ReadProperty(name, v, root);
  return true;
}

void TMemo::TextEdited(const std::string& text) {
  FEditing = true;
  try {
    FLines.SetText(text);
  } catch (...) {
    FEditing = false;
    throw;
  }
  FEditing = false;
}

// --- TCheckBox ------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) { FTabStop = true; }

bool TCheckBox::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Checked") FChecked = AsBool(*this, name, v);
  else if (name == "State") FChecked = AsEnum(*this, name, v, {"cbUnchecked", "cbChecked", "cbGrayed"}) != 0;
  else if (name == "Alignment") AsEnum(*this, name, v, {"taLeftJustify", "taRightJustify"});
  else return TWinControl::ReadProperty(name, v, root);
  return true;
}

void TCheckBox::SetChecked(bool v) {
  if (v == FChecked) return;
  FChecked = v;
  Changed();
  TControl::Click();
}

void TCheckBox::Click() { SetChecked(!FChecked); }

// --- TButton and TBitBtn -------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) { FTabStop = true; }

bool TButton::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Default") FDefault = AsBool(*this, name, v);
  else if (name == "Cancel") FCancel = AsBool(*this, name, v);
  else if (name == "ModalResult") FModalResult = AsInt(*this, name, v);
  else return TWinControl::ReadProperty(name, v, root);
  return true;
}

void TButton::Click() {
  if (FModalResult != mrNone && FParent) FParent->SetModalResult(FModalResult);
  TWinControl::Click();
}

bool TBitBtn::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Glyph.Data") ReadGlyph(*this, name, v, FGlyph);
  else if (name == "Layout") FLayout = static_cast<TButtonLayout>(AsEnum(*this, name, v, {"blGlyphLeft", "blGlyphRight"}));
  else if (name == "NumGlyphs") AsInt(*this, name, v);
  else return TButton::ReadProperty(name, v, root);
  return true;
}

void TButton::DrawFace(TCanvas& c, bool pressed, bool focused) const {
  TRect r = Rect(0, 0, FWidth, FHeight);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clBtnFace);
  c.FillRect(r);
  // A default button, and the focused one, get a dark outer line.
  if (IsDefault() || focused) {
    c.Brush().SetColor(cl3DDkShadow);
    c.FrameRect(r);
    r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
  if (pressed) {
    c.Frame3D(r, clBtnShadow, clBtnShadow);
  } else {
    c.Frame3D(r, clBtnHighlight, cl3DDkShadow);
    c.Frame3D(Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1), cl3DLight, clBtnShadow);
  }
  bool enabled = EffectivelyEnabled();
  c.Font().Assign(&Font());
  c.Font().SetColor(enabled ? clBtnText : clGrayText);
  c.SetBackgroundMode(bkTransparent);
  const int spacing = 4;
  TRect text = Rect(0, 0, 0, 0);
  c.DrawText(FCaption, text, DT_CALCRECT | DT_SINGLELINE);
  const TBitmap* glyph = FaceGlyph();
  int glyphWidth = glyph ? glyph->GetWidth() : 0;
  int total = text.Width() + (glyphWidth ? glyphWidth + spacing : 0);
  int x = (FWidth - total) / 2 + (pressed ? 1 : 0);
  int y = pressed ? 1 : 0;
  bool glyphLeft = FaceLayout() == blGlyphLeft;
  int textLeft = glyphLeft && glyph ? x + glyphWidth + spacing : x;
  if (glyph) {
    int left = glyphLeft ? x : x + text.Width() + spacing;
    DrawGlyph(c, *glyph, left, (FHeight - glyph->GetHeight()) / 2 + y, enabled);
  }
  TRect place = Rect(textLeft, y, textLeft + text.Width(), FHeight + y);
  c.DrawText(FCaption, place, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (focused) {
    c.Brush().SetColor(clBtnShadow);
    c.FrameRect(Rect(4, 4, FWidth - 4, FHeight - 4));
  }
}

// --- TProgressBar ---------------------------------------------------------------

bool TProgressBar::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Min") FMin = AsInt(*this, name, v);
  else if (name == "Max") FMax = AsInt(*this, name, v);
  else if (name == "Position") FPosition = AsInt(*this, name, v);
  else if (name == "Step") AsInt(*this, name, v);
  else return TWinControl::ReadProperty(name, v, root);
  return true;
}

void TProgressBar::SetPosition(int v) {
  v = v < FMin ? FMin : v > FMax ? FMax : v;
  if (v == FPosition) return;
  FPosition = v;
  Changed();
}

void TProgressBar::SetRange(int min, int max) {
  FMin = min;
  FMax = max < min ? min : max;
  FPosition = FPosition < FMin ? FMin : FPosition > FMax ? FMax : FPosition;
  Changed();
}

// --- TOpenDialog ----------------------------------------------------------------

std::function<bool(TOpenDialog&)> TOpenDialog::ExecuteHandler;

bool TOpenDialog::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Title") Title = AsString(*this, name, v);
  else if (name == "Filter") Filter = AsString(*this, name, v);
  else if (name == "FileName") FileName = AsString(*this, name, v);
  else if (name == "InitialDir") InitialDir = AsString(*this, name, v);
  else if (name == "Options") {
    Options = TOpenOptions::FromBits(AsSetBits(
        *this, name, v,
        {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp", "ofNoValidate",
         "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist", "ofFileMustExist"}));
  } else return TStoredComponent::ReadProperty(name, v, root);
  return true;
}

bool TOpenDialog::Execute() { return ExecuteHandler ? ExecuteHandler(*this) : false; }

void RegisterStandardControls() {
  RegisterComponentClass("TLabel", [](TComponent* o) { return new TLabel(o); });
  RegisterComponentClass("TPanel", [](TComponent* o) { return new TPanel(o); });
  RegisterComponentClass("TGroupBox", [](TComponent* o) { return new TGroupBox(o); });
  RegisterComponentClass("TEdit", [](TComponent* o) { return new TEdit(o); });
  RegisterComponentClass("TMemo", [](TComponent* o) { return new TMemo(o); });
  RegisterComponentClass("TCheckBox", [](TComponent* o) { return new TCheckBox(o); });
  RegisterComponentClass("TButton", [](TComponent* o) { return new TButton(o); });
  RegisterComponentClass("TBitBtn", [](TComponent* o) { return new TBitBtn(o); });
  RegisterComponentClass("TProgressBar", [](TComponent* o) { return new TProgressBar(o); });
  RegisterComponentClass("TOpenDialog", [](TComponent* o) { return new TOpenDialog(o); });
}

// --- likenesses without a window ------------------------------------------------

namespace {

// A sunken box in `fill`, returning its inside.
TRect SunkenBox(TCanvas& c, TRect r, TColor fill) {
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(fill);
  c.FillRect(r);
  c.Frame3D(r, clBtnShadow, clBtnHighlight);
  r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  c.Frame3D(r, cl3DDkShadow, cl3DLight);
  return Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
}

void DrawCaption(TCanvas& c, const TControl& control, TRect r, const std::string& text, unsigned flags) {
  c.Font().Assign(&control.Font());
  if (!control.EffectivelyEnabled()) c.Font().SetColor(clGrayText);
  c.SetBackgroundMode(bkTransparent);
  c.DrawText(text, r, flags | DT_NOPREFIX);
}

}  // namespace

void TEdit::Paint(TCanvas& c) {
  if (Window()) return;
  TRect inside = SunkenBox(c, FormBounds(), Color());
  DrawCaption(c, *this, Rect(inside.Left + 1, inside.Top, inside.Right, inside.Bottom), FText, DT_SINGLELINE | DT_VCENTER);
}

void TMemo::Paint(TCanvas& c) {
  if (Window()) return;
  TRect inside = SunkenBox(c, FormBounds(), Color());
  DrawCaption(c, *this, Rect(inside.Left + 1, inside.Top, inside.Right, inside.Bottom), FLines.Text(), FWordWrap ? DT_WORDBREAK : 0);
}

void TCheckBox::Paint(TCanvas& c) {
  if (Window()) return;
  TRect r = FormBounds();
  int top = r.Top + (r.Height() - 13) / 2;
  TRect inside = SunkenBox(c, Rect(r.Left, top, r.Left + 13, top + 13), EffectivelyEnabled() ? clWindow : clBtnFace);
  if (FChecked) {
    c.Brush().SetColor(EffectivelyEnabled() ? clWindowText : clGrayText);
    for (int i = 0; i < 7; i++) {  // the tick
      int x = inside.Left + 1 + i, y = inside.Top + (i < 2 ? 3 + i : 7 - i);
      c.FillRect(Rect(x, y + 1, x + 1, y + 4));
    }
  }
  DrawCaption(c, *this, Rect(r.Left + 17, r.Top, r.Right, r.Bottom), FCaption, DT_SINGLELINE | DT_VCENTER);
}

void TButton::Paint(TCanvas& c) {
  if (Window()) return;
  TRect r = FormBounds();
  c.SetClip(r, TPoint{r.Left, r.Top});
  DrawFace(c, false, false);
  c.ClearClip();
}

void TProgressBar::Paint(TCanvas& c) {
  if (Window()) return;
  TRect r = FormBounds();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clBtnFace);
  c.FillRect(r);
  c.Frame3D(r, clBtnShadow, clBtnHighlight);
  int span = FMax - FMin;
  int filled = span > 0 ? (r.Width() - 2) * (FPosition - FMin) / span : 0;
  c.Brush().SetColor(clHighlight);
  c.FillRect(Rect(r.Left + 1, r.Top + 1, r.Left + 1 + filled, r.Bottom - 1));
}
