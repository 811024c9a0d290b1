// Forms and the controls they list, as far as the toolkit's programs use
// them: the platform-free half. A form is built from a stored description
// (FormReader.h): each object is created by its registered class name and
// reads its own properties; handler names are looked up among the methods
// the form registered. Controls are windowless: the form paints them back
// to front and routes the mouse to the front-most visible, enabled control
// under the pointer, which also decides the control whose hint shows.
//
// The Windows half (toolkit/win32/Forms.h) gives the form its window.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/base/Classes.h"
#include "toolkit/base/Canvas.h"
#include "toolkit/base/Graphics.h"
#include "toolkit/forms/FormReader.h"

class TCustomForm;

// A component that can be listed in a stored description.
class TStoredComponent : public TComponent {
public:
  using TComponent::TComponent;
  const char* ClassName() const override { return "TStoredComponent"; }
  // Sets one stored property; false when this class has none of that name.
  virtual bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root);
};

// Registers a class for the form reader; a later registration of the same
// name replaces the earlier one (so a real component replaces a stand-in).
using TComponentFactory = std::function<TStoredComponent*(TComponent* owner)>;
void RegisterComponentClass(const std::string& className, TComponentFactory factory);
TComponentFactory FindComponentClass(const std::string& className);

enum TAlign { alNone, alTop, alBottom, alClient };

class TWinControl;

// A control on a form. Its bounds are in its container's client
// coordinates: the form's, or those of the panel or group box holding it.
// Caption, font and colour may come from the container (ParentFont,
// ParentColor).
class TControl : public TStoredComponent {
public:
  using TStoredComponent::TStoredComponent;
  // Leaves the form (its list, its hot and captured control) first.
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;

  // The form the control is on, and the control holding it (none for a
  // control placed on the form itself).
  TCustomForm* Parent() const { return FParent; }
  virtual void SetParent(TCustomForm* parent);
  TWinControl* ParentControl() const { return FParentControl; }
  void SetParentControl(TWinControl* container);
  TRect BoundsRect() const { return Rect(FLeft, FTop, FLeft + FWidth, FTop + FHeight); }
  // The bounds in the form's client coordinates.
  TRect FormBounds() const;
  virtual void SetBounds(int left, int top, int width, int height);
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool v);
  // Visible, and so is every container holding it.
  bool Showing() const;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  // Enabled, and so is every container holding it.
  bool EffectivelyEnabled() const;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& text);
  // The font drawn with: the container's (or form's) while ParentFont is on.
  const TFont& Font() const;
  TFont& OwnFont() { return FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool v) { FParentFont = v; Changed(); }
  // The colour behind the control: the container's while ParentColor is on.
  TColor Color() const;
  void SetColor(TColor c) { FColor = c; FParentColor = false; Changed(); }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& h) { FHint = h; }
  // The own ShowHint, or the form's while ParentShowHint is on.
  bool ShowsHint() const;
  void SetShowHint(bool v) { FShowHint = v; FParentShowHint = false; }
  TAlign Align() const { return FAlign; }

  // Paints the control on its form's canvas (form client coordinates).
  virtual void Paint(TCanvas&) {}
  void Invalidate();
  // Something shown changed: a windowed control updates its window,
  // others are repainted.
  virtual void Changed() { Invalidate(); }
  // Mouse, in the form's client coordinates.
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void MouseDown(int, int) {}
  virtual void MouseUp(int, int) {}
  virtual void Click();

  TNotifyEvent OnClick;

protected:
  // Reads the font's stored properties ("Font.Name"...); false for others.
  bool ReadFontProperty(const std::string& name, const TPropValue& value);
  TCustomForm* FParent = nullptr;
  TWinControl* FParentControl = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true, FEnabled = true;
  bool FShowHint = false, FParentShowHint = true;
  bool FParentFont = true, FParentColor = false;
  TAlign FAlign = alNone;
  std::string FHint, FCaption;
  TFont FFont;
  TColor FColor = clBtnFace;
};

// The platform's window of a windowed control, made by the platform half
// of its form. The control tells it what changed; the window writes what
// the user did back into the control.
class TControlWindow {
public:
  virtual ~TControlWindow() = default;
  // Place, visibility, enabled state, font and the control's value follow
  // the control.
  virtual void Update() = 0;
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;
};

// A control that can hold other controls and take the keyboard focus.
// Controls with a platform window of their own (edits, buttons, check
// boxes, progress bars) say so with HasWindow(); the platform half gives
// them one. Containers without one (panels, group boxes) are painted by
// the form like windowless controls.
class TWinControl : public TControl {
public:
  using TControl::TControl;
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;

  // The controls this one holds, in the order they were placed.
  const std::vector<TControl*>& ChildControls() const { return FChildren; }
  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int v) { FTabOrder = v; }
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool v) { FTabStop = v; }
  // The area children are placed in, in the control's own coordinates.
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  // Places alTop, alBottom and alClient children in the client area.
  void AlignControls();
  void SetBounds(int left, int top, int width, int height) override;

  virtual bool HasWindow() const { return false; }
  // Buttons pressed by Enter (the form's default) and Escape (its cancel).
  virtual bool IsDefault() const { return false; }
  virtual bool IsCancel() const { return false; }
  TControlWindow* Window() const { return FWindow.get(); }
  void SetWindow(std::unique_ptr<TControlWindow> w) { FWindow = std::move(w); }
  // A windowed control updates its window; the children follow a change
  // of the container (its visibility, enabled state, place or font).
  void Changed() override;
  void SetFocus();
  bool Focused() const { return FWindow && FWindow->Focused(); }

protected:
  friend class TControl;
  std::vector<TControl*> FChildren;
  int FTabOrder = -1;
  bool FTabStop = false;
  std::unique_ptr<TControlWindow> FWindow;
};

// A control without a window of its own that paints through the form's
// canvas: during Paint(), Canvas() has its origin at the control's top-left
// corner and is clipped to the control's bounds.
class TGraphicControl : public TControl {
public:
  using TControl::TControl;
  const char* ClassName() const override { return "TGraphicControl"; }
  TCanvas* Canvas() const { return FCanvas; }  // null outside Paint()
  TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  void Paint(TCanvas& formCanvas) final;

protected:
  virtual void Paint() {}

private:
  TCanvas* FCanvas = nullptr;
};

// Shows a graphic. "Picture.Data" holds the stored picture (length-prefixed
// class name, then the graphic's data); AutoSize sizes the control to it.
class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);
  const char* ClassName() const override { return "TImage"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  TPicture& Picture() { return FPicture; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v) { FTransparent = v; Invalidate(); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  using TGraphicControl::Paint;

protected:
  void Paint() override;

  virtual void PictureChanged();
  TPicture FPicture;
  bool FTransparent = false, FAutoSize = false, FStretch = false;
};

// A button without a window of its own: flat (a hot area that shows its
// frame only while the pointer is over it or it is pressed) or raised, with
// an optional glyph centred on it, whose bottom-left pixel's colour is
// transparent. It clicks when released over itself.
class TSpeedButton : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;
  TBitmap& Glyph() { return FGlyph; }
  const char* ClassName() const override { return "TSpeedButton"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;
  bool Hot() const { return FHot; }
  bool Pressed() const { return FPressed; }
  using TGraphicControl::Paint;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;

protected:
  void Paint() override;

private:
  bool FFlat = true, FHot = false, FPressed = false;
  TBitmap FGlyph;
};

enum TBorderStyle { bsNone, bsSingle, bsDialog, bsToolWindow };
enum TPosition { poDesigned, poScreenCenter };

constexpr int mrNone = 0, mrOk = 1, mrCancel = 2;

// A form: its stored properties, its controls in back-to-front order, its
// handler methods by name, and the routing of the mouse to its controls.
class TCustomForm : public TWinControl {
public:
  explicit TCustomForm(TComponent* owner) : TWinControl(owner) {}
  // Frees the owned components while the form can still take their notices.
  ~TCustomForm() override;
  const char* ClassName() const override { return "TCustomForm"; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm& root) override;

  // Builds the form from its description: creates the listed components,
  // sets every property, calls Loaded on each and then OnCreate. Raises
  // EReadError for an unknown class, property or handler, or a description
  // of another form class.
  void LoadFromDescription(const TObjectDesc& description);

  // Handlers the description may name: RegisterMethod for the usual
  // (TObject* sender) ones, Methods() for handlers of any signature.
  void RegisterMethod(const std::string& name, TNotifyEvent handler);
  TNotifyEvent MethodAddress(const std::string& name) const;
  TMethodTable& Methods() { return FMethods; }

  // The window's place on the screen and the size of its client area;
  // setting them moves or sizes a window that exists, and alClient
  // controls follow the client size.
  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  void SetLeft(int v);
  void SetTop(int v);
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  // Changes the frame of a window that exists in place, keeping its client
  // size.
  void SetBorderStyle(TBorderStyle v);
  // The window's shape: the union of the rectangles (window coordinates,
  // right and bottom exclusive); none gives the plain rectangle. The form
  // keeps the rectangles, so every window it creates, a recreated one
  // included, gets the same shape. An empty list makes the window empty.
  void SetWindowRegion(std::optional<std::vector<TRect>> rects);
  const std::optional<std::vector<TRect>>& WindowRegion() const { return FWindowRegion; }
  TPosition Position() const { return FPosition; }
  bool Scaled() const { return FScaled; }
  bool ShowHint() const { return FShowHint; }
  // Every control on the form, containers before what they hold.
  const std::vector<TControl*>& Controls() const { return FControls; }
  TRect ClientRect() const override { return Rect(0, 0, FClientWidth, FClientHeight); }

  // The windowed controls in tab order: by TabOrder among the children of
  // the form, each container followed by what it holds.
  std::vector<TWinControl*> TabOrderList() const;
  // The buttons Enter and Escape press (Default and Cancel), when showing
  // and enabled; Enter and Escape click them and return true.
  TWinControl* DefaultButton() const;
  TWinControl* CancelButton() const;
  bool PressDefault();
  bool PressCancel();
  // Set by a button with a ModalResult; a modal showing ends on it.
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int r) { FModalResult = r; }

  // The front-most visible, enabled control at a client point.
  TControl* ControlAt(int x, int y) const;
  TControl* HotControl() const { return FHotControl; }
  // Mouse input in client coordinates, routed to the controls.
  void MouseMove(int x, int y);
  void MouseLeave() override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;
  void PaintControls(TCanvas& canvas);

  // Called once every listed component is loaded, before OnCreate: the
  // place to look the components up by name.
  virtual void ComponentsLoaded() {}
  // Platform hooks.
  virtual void InvalidateRect(const TRect&) {}
  virtual void BoundsChanged() {}
  virtual void BorderStyleChanged() {}
  virtual void WindowRegionChanged() {}
  // The pointer entered another control (or none): the hint follows.
  virtual void HotControlChanged(TControl*) {}
  // A windowed control was placed on the form after its window was made.
  virtual void WindowedControlAdded(TWinControl*) {}
  // Errors of any type raised by handlers under the mouse; the Windows half
  // shows them. Called inside the catch block; the portable default lets
  // the error through.
  virtual void HandleException() { throw; }

  void Changed() override;

  TNotifyEvent OnCreate;
  // Run by the platform half when the form's window is first shown.
  TNotifyEvent OnShow;

protected:
  friend class TControl;
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  void Notification(TComponent* component, TOperation operation) override;
  void ClickGuarded(TControl* c);

  int FClientWidth = 0, FClientHeight = 0;
  int FModalResult = mrNone;
  std::optional<std::vector<TRect>> FWindowRegion;
  TBorderStyle FBorderStyle = bsSingle;
  TPosition FPosition = poDesigned;
  bool FScaled = true, FShowHint = false;
  std::vector<TControl*> FControls;
  TMethodTable FMethods;
  TControl* FHotControl = nullptr;
  TControl* FCaptureControl = nullptr;
};

// The component of that name and class that a form loaded; raises
// EReadError "Component <name> missing" when there is none.
template <class T>
T* FindLoaded(TComponent& owner, const char* name) {
  T* c = dynamic_cast<T*>(owner.FindComponent(name));
  if (!c) throw EReadError(std::string("Component ") + name + " missing");
  return c;
}

// Draws a glyph with its transparent colour left out; a disabled glyph's
// dark pixels are drawn embossed in the button shadow colours.
void DrawGlyph(TCanvas& canvas, const TBitmap& glyph, int x, int y, bool enabled);

// A non-visual component that keeps its stored properties without acting on
// them: the place of a component a program lists but does not have yet.
class TStandInComponent : public TStoredComponent {
public:
  TStandInComponent(TComponent* owner, const char* className) : TStoredComponent(owner), FClassName(className) {}
  const char* ClassName() const override { return FClassName; }
  bool ReadProperty(const std::string& name, const TPropValue& value, TCustomForm&) override {
    Properties[name] = value;
    return true;
  }
  std::map<std::string, TPropValue> Properties;

private:
  const char* FClassName;
};

// The text of the standard error box: a full stop is appended only when the
// last character sorts after '.' in byte order.
std::string ErrorBoxText(const std::string& message);

// The message of the error being handled; call inside a catch block. An
// Exception's Message, "Out of memory" for a failed allocation, what() of
// other standard exceptions, "Unknown exception" for anything else.
std::string CurrentExceptionMessage();
