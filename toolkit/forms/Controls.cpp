#include "toolkit/forms/Controls.h"

#include "toolkit/forms/Properties.h"
#include "toolkit/forms/StdCtrls.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace formprops {

[[noreturn]] void PropertyError(const TComponent& c, const std::string& name, const std::string& what) {
  throw EReadError("Error reading " + c.Name() + "." + name + ": " + what);
}

bool AsBool(const TComponent& c, const std::string& name, const TPropValue& v) {
  if (v.Kind == vaIdent && (v.Text == "True" || v.Text == "False")) return v.Text == "True";
  PropertyError(c, name, "Invalid property value");
}

int AsInt(const TComponent& c, const std::string& name, const TPropValue& v) {
  if (v.Kind != vaInteger) PropertyError(c, name, "Invalid property value");
  return static_cast<int>(v.Integer);
}

const std::string& AsString(const TComponent& c, const std::string& name, const TPropValue& v) {
  if (v.Kind != vaString) PropertyError(c, name, "Invalid property value");
  return v.Text;
}

const std::string& AsIdent(const TComponent& c, const std::string& name, const TPropValue& v) {
  if (v.Kind != vaIdent) PropertyError(c, name, "Invalid property value");
  return v.Text;
}

// The position of an identifier among the names of an enumeration.
int AsEnum(const TComponent& c, const std::string& name, const TPropValue& v, std::initializer_list<const char*> names) {
  const std::string& ident = AsIdent(c, name, v);
  int i = 0;
  for (const char* n : names) {
    if (ident == n) return i;
    i++;
  }
  PropertyError(c, name, "Invalid property value");
}

std::uint32_t AsSetBits(const TComponent& c, const std::string& name, const TPropValue& v,
                        std::initializer_list<const char*> names) {
  if (v.Kind != vaSet) PropertyError(c, name, "Invalid property value");
  std::uint32_t bits = 0;
  for (const std::string& item : v.Items) bits |= 1u << AsEnum(c, name, TPropValue{vaIdent, 0, item, {}, {}}, names);
  return bits;
}

// A colour given as a number or a name (clBtnFace).
TColor AsColor(const TComponent& c, const std::string& name, const TPropValue& v) {
  TColor color = clNone;
  if (v.Kind == vaInteger) return static_cast<TColor>(v.Integer);
  if (v.Kind == vaIdent && IdentToColor(v.Text, color)) return color;
  PropertyError(c, name, "Invalid property value");
}

// A glyph's stored form is the bitmap's own (TBitmap::ReadData).
void ReadGlyph(const TComponent& c, const std::string& name, const TPropValue& v, TBitmap& glyph) {
  if (v.Kind != vaBinary) PropertyError(c, name, "Invalid property value");
  TReadOnlyMemoryStream s(v.Bytes.data(), v.Bytes.size());
  glyph.ReadData(s);
}

}  // namespace formprops

using namespace formprops;

namespace {

std::map<std::string, TComponentFactory>& Classes() {
  static std::map<std::string, TComponentFactory> classes;
  return classes;
}

// The toolkit's own bitmap is a stored picture class too.
void RegisterBitmapClass() {
  static const TGraphicClass bitmapClass{"TBitmap", [] { return static_cast<TGraphic*>(new TBitmap); }};
  static bool done = false;
  if (!done && !TPicture::FindByName("TBitmap")) TPicture::RegisterClipboardFormat(CF_BITMAP_FORMAT, &bitmapClass);
  done = true;
}

void RegisterStandardClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  auto& classes = Classes();
  classes.emplace("TImage", [](TComponent* o) { return new TImage(o); });
  classes.emplace("TSpeedButton", [](TComponent* o) { return new TSpeedButton(o); });
  RegisterStandardControls();
}

}  // namespace

void RegisterComponentClass(const std::string& className, TComponentFactory factory) {
  RegisterStandardClasses();
  Classes()[className] = std::move(factory);
}

TComponentFactory FindComponentClass(const std::string& className) {
  RegisterStandardClasses();
  auto it = Classes().find(className);
  return it == Classes().end() ? TComponentFactory() : it->second;
}

bool TStoredComponent::ReadProperty(const std::string& name, const TPropValue& value, TCustomForm&) {
  if (name == "Tag") return value.Kind == vaInteger;
  return false;
}

// --- TControl -------------------------------------------------------------------

bool TControl::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Left") FLeft = AsInt(*this, name, v);
  else if (name == "Top") FTop = AsInt(*this, name, v);
  else if (name == "Width") FWidth = AsInt(*this, name, v);
  else if (name == "Height") FHeight = AsInt(*this, name, v);
  else if (name == "Visible") FVisible = AsBool(*this, name, v);
  else if (name == "Enabled") FEnabled = AsBool(*this, name, v);
  else if (name == "Hint") FHint = AsString(*this, name, v);
  else if (name == "ShowHint") SetShowHint(AsBool(*this, name, v));
  else if (name == "ParentShowHint") FParentShowHint = AsBool(*this, name, v);
  else if (name == "OnClick") OnClick = root.MethodAddress(AsIdent(*this, name, v));
  else if (name == "Caption") FCaption = AsString(*this, name, v);
  else if (name == "ParentFont") FParentFont = AsBool(*this, name, v);
  else if (name == "ParentColor") FParentColor = AsBool(*this, name, v);
  else if (name == "Color") {
    FColor = AsColor(*this, name, v);
    FParentColor = false;
  } else if (name == "Align") FAlign = static_cast<TAlign>(AsEnum(*this, name, v, {"alNone", "alTop", "alBottom", "alClient"}));
  else if (ReadFontProperty(name, v)) {
  } else return TStoredComponent::ReadProperty(name, v, root);
  return true;
}

bool TControl::ReadFontProperty(const std::string& name, const TPropValue& v) {
  if (name == "Font.Name") FFont.SetName(AsString(*this, name, v));
  else if (name == "Font.Height") FFont.SetHeight(AsInt(*this, name, v));
  else if (name == "Font.Size") FFont.SetSize(AsInt(*this, name, v));
  else if (name == "Font.Color") FFont.SetColor(AsColor(*this, name, v));
  else if (name == "Font.Charset") {
    static const std::pair<const char*, int> charsets[] = {
        {"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1}, {"SYMBOL_CHARSET", 2}, {"OEM_CHARSET", 255}};
    if (v.Kind == vaInteger) {
      FFont.SetCharset(static_cast<TFontCharset>(v.Integer));
      return true;
    }
    const std::string& ident = AsIdent(*this, name, v);
    auto it = std::find_if(std::begin(charsets), std::end(charsets), [&](const auto& c) { return ident == c.first; });
    if (it == std::end(charsets)) PropertyError(*this, name, "Invalid property value");
    FFont.SetCharset(static_cast<TFontCharset>(it->second));
  } else if (name == "Font.Style") {
    FFont.SetStyle(TFontStyles::FromBits(AsSetBits(*this, name, v, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})));
  } else return false;
  // A font of its own is no longer the container's.
  FParentFont = false;
  return true;
}

TControl::~TControl() {
  BeforeDestruction();
  SetParentControl(nullptr);
  SetParent(nullptr);
}

void TControl::SetParent(TCustomForm* parent) {
  if (parent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  FParent = parent;
  if (FParent) FParent->InsertControl(this);
}

void TControl::SetParentControl(TWinControl* container) {
  if (container == FParentControl) return;
  // A control without a container is one of its form's own children.
  TWinControl* oldHolder = FParentControl ? FParentControl : FParent;
  TWinControl* newHolder = container ? container : FParent;
  if (oldHolder) {
    auto& list = oldHolder->FChildren;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  FParentControl = container;
  if (newHolder && newHolder != this) newHolder->FChildren.push_back(this);
}

TRect TControl::FormBounds() const {
  TRect r = BoundsRect();
  for (const TWinControl* c = FParentControl; c; c = c->ParentControl()) {
    r.Left += c->Left();
    r.Right += c->Left();
    r.Top += c->Top();
    r.Bottom += c->Top();
  }
  return r;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Changed();
}

void TControl::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  if (FParent) FParent->InvalidateRect(FormBounds());
  Changed();
}

void TControl::SetEnabled(bool v) {
  if (v == FEnabled) return;
  FEnabled = v;
  Changed();
}

void TControl::SetCaption(const std::string& text) {
  if (text == FCaption) return;
  FCaption = text;
  Changed();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->ParentControl())
    if (!c->Visible()) return false;
  return true;
}

bool TControl::EffectivelyEnabled() const {
  for (const TControl* c = this; c; c = c->ParentControl())
    if (!c->Enabled()) return false;
  return true;
}

const TFont& TControl::Font() const {
  if (!FParentFont) return FFont;
  if (FParentControl) return FParentControl->Font();
  if (FParent && FParent != this) return FParent->Font();
  return FFont;
}

TColor TControl::Color() const {
  if (!FParentColor) return FColor;
  if (FParentControl) return FParentControl->Color();
  if (FParent && FParent != this) return FParent->Color();
  return FColor;
}

bool TControl::ShowsHint() const {
  return FParentShowHint ? FParent && FParent->ShowHint() : FShowHint;
}

void TControl::Invalidate() {
  if (FParent && Showing()) FParent->InvalidateRect(FormBounds());
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

// --- TImage ---------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  FPicture.OnChange = [this](TObject*) { PictureChanged(); };
}

bool TImage::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Picture.Data") {
    if (v.Kind != vaBinary) PropertyError(*this, name, "Invalid property value");
    RegisterBitmapClass();
    TReadOnlyMemoryStream s(v.Bytes.data(), v.Bytes.size());
    FPicture.ReadData(s);
    PictureChanged();
  } else if (name == "Transparent") FTransparent = AsBool(*this, name, v);
  else if (name == "AutoSize") SetAutoSize(AsBool(*this, name, v));
  else if (name == "Stretch") FStretch = AsBool(*this, name, v);
  else return TControl::ReadProperty(name, v, root);
  return true;
}

void TImage::SetAutoSize(bool v) {
  FAutoSize = v;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0)
    SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
  else
    Invalidate();
}

void TImage::Paint() {
  TGraphic* g = FPicture.Graphic();
  if (!g || g->GetEmpty()) return;
  g->SetTransparent(FTransparent);
  Canvas()->StretchDraw(FStretch ? ClientRect() : Rect(0, 0, g->GetWidth(), g->GetHeight()), *g);
}

// --- TGraphicControl -------------------------------------------------------------

void TGraphicControl::Paint(TCanvas& formCanvas) {
  TRect bounds = FormBounds();
  formCanvas.SetClip(bounds, TPoint{bounds.Left, bounds.Top});
  FCanvas = &formCanvas;
  try {
    Paint();
  } catch (...) {
    FCanvas = nullptr;
    formCanvas.ClearClip();
    throw;
  }
  FCanvas = nullptr;
  formCanvas.ClearClip();
}

// --- glyphs ---------------------------------------------------------------------

void DrawGlyph(TCanvas& canvas, const TBitmap& glyph, int x, int y, bool enabled) {
  if (glyph.GetEmpty()) return;
  TRect source = Rect(0, 0, glyph.GetWidth(), glyph.GetHeight());
  TColor key = glyph.TransparentColor();
  if (enabled) {
    canvas.BrushCopy(Rect(x, y, x + glyph.GetWidth(), y + glyph.GetHeight()), glyph, source, key);
    return;
  }
  // Disabled: the glyph's dark pixels embossed in the face's shadow colours.
  for (int pass = 0; pass < 2; pass++)
    for (int j = 0; j < glyph.GetHeight(); j++)
      for (int i = 0; i < glyph.GetWidth(); i++) {
        TColor c = glyph.PixelColor(i, j);
        if (c == key) continue;
        int luma = (RedOf(c) * 30 + GreenOf(c) * 59 + BlueOf(c) * 11) / 100;
        if (luma >= 192) continue;
        if (pass == 0) canvas.SetPixel(x + i + 1, y + j + 1, clBtnHighlight);
        else canvas.SetPixel(x + i, y + j, clBtnShadow);
      }
}

// --- TWinControl -----------------------------------------------------------------

TWinControl::~TWinControl() {
  BeforeDestruction();
  FWindow.reset();
  for (TControl* c : std::vector<TControl*>(FChildren)) c->SetParentControl(nullptr);
}

bool TWinControl::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "TabOrder") {
    FTabOrder = AsInt(*this, name, v);
    FTabStop = true;
  } else if (name == "TabStop") FTabStop = AsBool(*this, name, v);
  else return TControl::ReadProperty(name, v, root);
  return true;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  AlignControls();
}

void TWinControl::AlignControls() {
  TRect area = ClientRect();
  for (TControl* c : FChildren) {
    if (!c->Visible()) continue;
    switch (c->Align()) {
      case alTop:
        c->SetBounds(area.Left, area.Top, area.Width(), c->Height());
        area.Top += c->Height();
        break;
      case alBottom:
        c->SetBounds(area.Left, area.Bottom - c->Height(), area.Width(), c->Height());
        area.Bottom -= c->Height();
        break;
      default:
        break;
    }
  }
  for (TControl* c : FChildren)
    if (c->Visible() && c->Align() == alClient) c->SetBounds(area.Left, area.Top, area.Width(), area.Height());
}

void TWinControl::Changed() {
  if (FWindow) FWindow->Update();
  else Invalidate();
  for (TControl* c : FChildren) c->Changed();
}

void TWinControl::SetFocus() {
  if (FWindow) FWindow->SetFocus();
}

// --- TSpeedButton ---------------------------------------------------------------

bool TSpeedButton::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Flat") FFlat = AsBool(*this, name, v);
  else if (name == "Glyph.Data") ReadGlyph(*this, name, v, FGlyph);
  else if (name == "NumGlyphs") AsInt(*this, name, v);
  else return TControl::ReadProperty(name, v, root);
  return true;
}

void TSpeedButton::Paint() {
  bool down = FPressed && FHot;
  if (!FFlat) {
    Canvas()->Brush().SetStyle(bsSolid);
    Canvas()->Brush().SetColor(clBtnFace);
    Canvas()->FillRect(ClientRect());
  }
  if (down) Canvas()->Frame3D(ClientRect(), clBtnShadow, clBtnHighlight);
  else if (FHot || FPressed || !FFlat) Canvas()->Frame3D(ClientRect(), clBtnHighlight, clBtnShadow);
  if (!FGlyph.GetEmpty()) {
    int offset = down ? 1 : 0;
    DrawGlyph(*Canvas(), FGlyph, (FWidth - FGlyph.GetWidth()) / 2 + offset, (FHeight - FGlyph.GetHeight()) / 2 + offset,
              EffectivelyEnabled());
  }
}

void TSpeedButton::MouseEnter() {
  FHot = true;
  Invalidate();
}

void TSpeedButton::MouseLeave() {
  FHot = false;
  Invalidate();
}

void TSpeedButton::MouseDown(int, int) {
  FPressed = true;
  Invalidate();
}

void TSpeedButton::MouseUp(int, int) {
  FPressed = false;
  Invalidate();
}

// --- TCustomForm ----------------------------------------------------------------

bool TCustomForm::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Caption") FCaption = AsString(*this, name, v);
  else if (ReadFontProperty(name, v)) {
  } else if (name == "BorderIcons") {
    if (v.Kind != vaSet) PropertyError(*this, name, "Invalid property value");
  } else if (name == "OnShow") OnShow = MethodAddress(AsIdent(*this, name, v));
  else if (name == "Left") FLeft = AsInt(*this, name, v);
  else if (name == "Top") FTop = AsInt(*this, name, v);
  else if (name == "ClientWidth") FClientWidth = AsInt(*this, name, v);
  else if (name == "ClientHeight") FClientHeight = AsInt(*this, name, v);
  else if (name == "Scaled") FScaled = AsBool(*this, name, v);
  else if (name == "ShowHint") FShowHint = AsBool(*this, name, v);
  else if (name == "Color") FColor = AsColor(*this, name, v);
  else if (name == "OnCreate") OnCreate = MethodAddress(AsIdent(*this, name, v));
  else if (name == "BorderStyle") {
    static const char* const names[] = {"bsNone", "bsSingle", "bsDialog", "bsToolWindow"};
    const std::string& s = AsIdent(*this, name, v);
    auto it = std::find(std::begin(names), std::end(names), s);
    if (it == std::end(names)) PropertyError(*this, name, "Invalid property value");
    FBorderStyle = static_cast<TBorderStyle>(it - std::begin(names));
  } else if (name == "Position") {
    const std::string& s = AsIdent(*this, name, v);
    if (s != "poDesigned" && s != "poScreenCenter") PropertyError(*this, name, "Invalid property value");
    FPosition = s == "poScreenCenter" ? poScreenCenter : poDesigned;
  } else return TStoredComponent::ReadProperty(name, v, root);
  return true;
}

TCustomForm::~TCustomForm() { DestroyComponents(); }

void TCustomForm::RegisterMethod(const std::string& name, TNotifyEvent handler) {
  FMethods.Register<void(TObject*)>(name, std::move(handler));
}

TNotifyEvent TCustomForm::MethodAddress(const std::string& name) const {
  return FMethods.Find<void(TObject*)>(name);
}

void TCustomForm::LoadFromDescription(const TObjectDesc& d) {
  if (d.ClassName != ClassName()) throw EReadError("Description of " + d.ClassName + " read into " + ClassName());
  BeginLoading();
  SetName(d.Name);
  for (const auto& [name, value] : d.Properties)
    if (!ReadProperty(name, value, *this)) PropertyError(*this, name, "Property " + name + " does not exist");
  std::vector<TStoredComponent*> loaded;
  std::function<void(const std::vector<TObjectDesc>&, TWinControl*)> create = [&](const std::vector<TObjectDesc>& list,
                                                                                 TWinControl* container) {
    for (const TObjectDesc& child : list) {
      TComponentFactory factory = FindComponentClass(child.ClassName);
      if (!factory) throw EReadError("Class " + child.ClassName + " not found");
      TStoredComponent* c = factory(this);
      c->BeginLoading();
      c->SetName(child.Name);
      auto* control = dynamic_cast<TControl*>(c);
      if (control) {
        control->SetParentControl(container);
        control->SetParent(this);
      }
      for (const auto& [name, value] : child.Properties)
        if (!c->ReadProperty(name, value, *this))
          PropertyError(*c, name, "Property " + name + " does not exist");
      loaded.push_back(c);
      auto* holder = dynamic_cast<TWinControl*>(c);
      if (!child.Children.empty() && !holder)
        throw EReadError("Error reading " + child.Name + ": " + child.ClassName + " cannot hold controls");
      create(child.Children, holder);
    }
  };
  create(d.Children, nullptr);
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->AlignControls();
  AlignControls();
  for (TStoredComponent* c : loaded) c->Loaded();
  Loaded();
  ComponentsLoaded();
  if (OnCreate) OnCreate(this);
}

void TCustomForm::SetLeft(int v) {
  FLeft = v;
  BoundsChanged();
}

void TCustomForm::SetTop(int v) {
  FTop = v;
  BoundsChanged();
}

void TCustomForm::SetClientWidth(int v) {
  FClientWidth = v;
  AlignControls();
  BoundsChanged();
}

void TCustomForm::SetClientHeight(int v) {
  FClientHeight = v;
  AlignControls();
  BoundsChanged();
}

void TCustomForm::Changed() {
  for (TControl* c : FChildren) c->Changed();
}

void TCustomForm::SetBorderStyle(TBorderStyle v) {
  if (v == FBorderStyle) return;
  FBorderStyle = v;
  BorderStyleChanged();
}

void TCustomForm::SetWindowRegion(std::optional<std::vector<TRect>> rects) {
  FWindowRegion = std::move(rects);
  WindowRegionChanged();
}

void TCustomForm::InsertControl(TControl* c) {
  FControls.push_back(c);
  if (c->ParentControl() == nullptr && c != this) {
    auto& top = FChildren;
    if (std::find(top.begin(), top.end(), c) == top.end()) top.push_back(c);
  }
  if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HasWindow()) WindowedControlAdded(w);
}

void TCustomForm::RemoveControl(TControl* c) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
  FChildren.erase(std::remove(FChildren.begin(), FChildren.end(), c), FChildren.end());
  if (FCaptureControl == c) FCaptureControl = nullptr;
  if (FHotControl == c) {
    FHotControl = nullptr;
    HotControlChanged(nullptr);
  }
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TStoredComponent::Notification(component, operation);
  if (operation == opRemove)
    if (auto* c = dynamic_cast<TControl*>(component)) RemoveControl(c);
}

TControl* TCustomForm::ControlAt(int x, int y) const {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    TRect r = c->FormBounds();
    if (c->Showing() && c->EffectivelyEnabled() && x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return c;
  }
  return nullptr;
}

void TCustomForm::MouseMove(int x, int y) {
  TControl* c = ControlAt(x, y);
  if (c == FHotControl) return;
  if (FHotControl) FHotControl->MouseLeave();
  FHotControl = c;
  if (c) c->MouseEnter();
  HotControlChanged(c);
}

void TCustomForm::MouseLeave() {
  if (FHotControl) FHotControl->MouseLeave();
  FHotControl = nullptr;
  HotControlChanged(nullptr);
}

void TCustomForm::MouseDown(int x, int y) {
  MouseMove(x, y);
  FCaptureControl = ControlAt(x, y);
  if (FCaptureControl) FCaptureControl->MouseDown(x, y);
}

void TCustomForm::MouseUp(int x, int y) {
  TControl* c = FCaptureControl;
  FCaptureControl = nullptr;
  if (!c) return;
  c->MouseUp(x, y);
  TRect r = c->FormBounds();
  if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) ClickGuarded(c);
}

void TCustomForm::ClickGuarded(TControl* c) {
  try {
    c->Click();
  } catch (...) {
    HandleException();
  }
}

void TCustomForm::PaintControls(TCanvas& canvas) {
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(FColor);
  canvas.FillRect(Rect(0, 0, FClientWidth, FClientHeight));
  for (TControl* c : FControls)
    if (c->Showing()) c->Paint(canvas);
}

std::vector<TWinControl*> TCustomForm::TabOrderList() const {
  std::vector<TWinControl*> list;
  std::function<void(const TWinControl&)> walk = [&](const TWinControl& container) {
    std::vector<TWinControl*> children;
    for (TControl* c : container.ChildControls())
      if (auto* w = dynamic_cast<TWinControl*>(c)) children.push_back(w);
    // Unnumbered controls keep their place after the numbered ones.
    std::stable_sort(children.begin(), children.end(), [](TWinControl* a, TWinControl* b) {
      return static_cast<unsigned>(a->TabOrder()) < static_cast<unsigned>(b->TabOrder());
    });
    for (TWinControl* w : children) {
      list.push_back(w);
      walk(*w);
    }
  };
  walk(*this);
  return list;
}

TWinControl* TCustomForm::DefaultButton() const {
  for (TWinControl* w : TabOrderList())
    if (w->IsDefault() && w->Showing() && w->EffectivelyEnabled()) return w;
  return nullptr;
}

TWinControl* TCustomForm::CancelButton() const {
  for (TWinControl* w : TabOrderList())
    if (w->IsCancel() && w->Showing() && w->EffectivelyEnabled()) return w;
  return nullptr;
}

bool TCustomForm::PressDefault() {
  TWinControl* b = DefaultButton();
  if (b) ClickGuarded(b);
  return b != nullptr;
}

bool TCustomForm::PressCancel() {
  TWinControl* b = CancelButton();
  if (b) ClickGuarded(b);
  return b != nullptr;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message;
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
}
