#include "toolkit/forms/Controls.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace {

std::map<std::string, TComponentFactory>& Classes() {
  static std::map<std::string, TComponentFactory> classes;
  return classes;
}

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
  else if (name == "Align") {
    const std::string& a = AsIdent(*this, name, v);
    if (a != "alNone" && a != "alClient") PropertyError(*this, name, "Invalid property value");
    FAlign = a == "alClient" ? alClient : alNone;
  } else return TStoredComponent::ReadProperty(name, v, root);
  return true;
}

TControl::~TControl() {
  BeforeDestruction();
  SetParent(nullptr);
}

void TControl::SetParent(TCustomForm* parent) {
  if (parent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  FParent = parent;
  if (FParent) FParent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
}

void TControl::SetVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  if (FParent) FParent->InvalidateRect(BoundsRect());
}

bool TControl::ShowsHint() const {
  return FParentShowHint ? FParent && FParent->ShowHint() : FShowHint;
}

void TControl::Invalidate() {
  if (FParent && FVisible) FParent->InvalidateRect(BoundsRect());
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
  formCanvas.SetClip(BoundsRect(), TPoint{FLeft, FTop});
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

// --- TSpeedButton ---------------------------------------------------------------

bool TSpeedButton::ReadProperty(const std::string& name, const TPropValue& v, TCustomForm& root) {
  if (name == "Flat") FFlat = AsBool(*this, name, v);
  else return TControl::ReadProperty(name, v, root);
  return true;
}

void TSpeedButton::Paint() {
  if (FPressed && FHot) Canvas()->Frame3D(ClientRect(), clBtnShadow, clBtnHighlight);
  else if (FHot || FPressed || !FFlat) Canvas()->Frame3D(ClientRect(), clBtnHighlight, clBtnShadow);
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
  else if (name == "Left") FLeft = AsInt(*this, name, v);
  else if (name == "Top") FTop = AsInt(*this, name, v);
  else if (name == "ClientWidth") FClientWidth = AsInt(*this, name, v);
  else if (name == "ClientHeight") FClientHeight = AsInt(*this, name, v);
  else if (name == "Scaled") FScaled = AsBool(*this, name, v);
  else if (name == "ShowHint") FShowHint = AsBool(*this, name, v);
  else if (name == "Color") FColor = AsInt(*this, name, v);
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
  FMethods[name] = std::move(handler);
}

TNotifyEvent TCustomForm::MethodAddress(const std::string& name) const {
  auto it = FMethods.find(name);
  if (it == FMethods.end()) throw EReadError("Invalid property value: no method " + name);
  return it->second;
}

void TCustomForm::LoadFromDescription(const TObjectDesc& d) {
  if (d.ClassName != ClassName()) throw EReadError("Description of " + d.ClassName + " read into " + ClassName());
  BeginLoading();
  SetName(d.Name);
  for (const auto& [name, value] : d.Properties)
    if (!ReadProperty(name, value, *this)) PropertyError(*this, name, "Property " + name + " does not exist");
  std::vector<TStoredComponent*> loaded;
  std::function<void(const std::vector<TObjectDesc>&)> create = [&](const std::vector<TObjectDesc>& list) {
    for (const TObjectDesc& child : list) {
      TComponentFactory factory = FindComponentClass(child.ClassName);
      if (!factory) throw EReadError("Class " + child.ClassName + " not found");
      TStoredComponent* c = factory(this);
      c->BeginLoading();
      c->SetName(child.Name);
      if (auto* control = dynamic_cast<TControl*>(c)) control->SetParent(this);
      for (const auto& [name, value] : child.Properties)
        if (!c->ReadProperty(name, value, *this))
          PropertyError(*c, name, "Property " + name + " does not exist");
      loaded.push_back(c);
      create(child.Children);
    }
  };
  create(d.Children);
  AlignControls();
  for (TStoredComponent* c : loaded) c->Loaded();
  Loaded();
  ComponentsLoaded();
  if (OnCreate) OnCreate(this);
}

void TCustomForm::AlignControls() {
  for (TControl* c : FControls)
    if (c->Align() == alClient) c->SetBounds(0, 0, FClientWidth, FClientHeight);
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

void TCustomForm::SetBorderStyle(TBorderStyle v) {
  if (v == FBorderStyle) return;
  FBorderStyle = v;
  BorderStyleChanged();
}

void TCustomForm::SetWindowRegion(std::optional<std::vector<TRect>> rects) {
  FWindowRegion = std::move(rects);
  WindowRegionChanged();
}

void TCustomForm::InsertControl(TControl* c) { FControls.push_back(c); }

void TCustomForm::RemoveControl(TControl* c) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
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
    TRect r = c->BoundsRect();
    if (c->Visible() && c->Enabled() && x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return c;
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
  TRect r = c->BoundsRect();
  if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) {
    try {
      c->Click();
    } catch (...) {
      HandleException();
    }
  }
}

void TCustomForm::PaintControls(TCanvas& canvas) {
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(FColor);
  canvas.FillRect(Rect(0, 0, FClientWidth, FClientHeight));
  for (TControl* c : FControls)
    if (c->Visible()) c->Paint(canvas);
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
