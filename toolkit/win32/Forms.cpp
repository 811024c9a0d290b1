#include "toolkit/win32/Forms.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "toolkit/base/Thread.h"
#include "toolkit/win32/ControlWindows.h"

TApplication* Application = nullptr;

namespace {

constexpr UINT_PTR kHintShowTimer = 1, kHintHideTimer = 2;
const char* const kApplicationClass = "TApplication";
const char* const kHintClass = "THintWindow";

std::string ResourceText(const std::string& name, bool& found) {
  HRSRC res = FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
  found = res != nullptr;
  if (!res) return {};
  HGLOBAL data = LoadResource(nullptr, res);
  const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
  return bytes ? std::string(bytes, SizeofResource(nullptr, res)) : std::string();
}

bool RegisterWindowClass(const char* name, WNDPROC proc, UINT style) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(GetModuleHandleA(nullptr), name, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0;
}

// The standard error box for the error being handled (inside a catch block).
void ShowCurrentException() {
  try {
    if (Application) {
      Application->HandleException();
      return;
    }
    ::MessageBoxA(nullptr, ErrorBoxText(CurrentExceptionMessage()).c_str(), "", MB_OK | MB_ICONSTOP);
  } catch (...) {
  }
}

// Runs a window procedure's work; an error of any type ends in the standard
// error box instead of unwinding through DispatchMessage. A paint that
// failed is not asked for again, or the box would come back at once.
template <class F>
LRESULT Guarded(HWND hwnd, UINT msg, F work) {
  try {
    return work();
  } catch (...) {
    if (msg == WM_PAINT) ValidateRect(hwnd, nullptr);
    ShowCurrentException();
  }
  return 0;
}

template <class T>
T* FromWindow(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    return self;
  }
  return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace

// --- forms --------------------------------------------------------------------

TForm::~TForm() {
  if (Application) Application->CancelHint();
  DestroyControlWindows();
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
  }
}

void TForm::InitializeForm() {
  bool found = false;
  std::string text = ResourceText(ClassName(), found);
  if (!found) throw EReadError(std::string("Resource ") + ClassName() + " not found");
  TObjectDesc description = ParseFormDescription(text, [](const std::string& name, std::vector<std::uint8_t>& bytes) {
    bool present = false;
    std::string data = ResourceText(name, present);
    bytes.assign(data.begin(), data.end());
    return present;
  });
  LoadFromDescription(description);
}

namespace {

// The frame of each border style: the style bits it sets among kFrameStyles.
constexpr DWORD kFrameStyles = WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFrameExStyles = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME;

void BorderStyles(TBorderStyle border, DWORD& style, DWORD& exStyle) {
  style = border == bsNone ? 0 : WS_CAPTION | WS_SYSMENU;
  exStyle = border == bsToolWindow ? WS_EX_TOOLWINDOW : border == bsDialog ? WS_EX_DLGMODALFRAME : 0;
}

// The window size for a client size under the window's current styles.
SIZE WindowSize(HWND hwnd, int clientWidth, int clientHeight) {
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// A region from rectangles, as the platform's region data holds them.
HRGN RegionFromRects(const std::vector<TRect>& rects) {
  std::vector<std::uint8_t> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = static_cast<DWORD>(rects.size());
  header->nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  RECT bound{0, 0, 0, 0};
  auto* out = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
  for (std::size_t i = 0; i < rects.size(); i++) {
    out[i] = RECT{rects[i].Left, rects[i].Top, rects[i].Right, rects[i].Bottom};
    UnionRect(&bound, &bound, &out[i]);
  }
  header->rcBound = bound;
  return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
}

}  // namespace

HWND TForm::Handle() {
  if (FHandle) return FHandle;
  if (!RegisterWindowClass(ClassName(), WindowProc, CS_DBLCLKS))
    throw Exception(std::string("Cannot register the window class ") + ClassName());
  DWORD style = 0, exStyle = 0;
  BorderStyles(FBorderStyle, style, exStyle);
  style |= WS_POPUP | WS_CLIPCHILDREN;
  RECT r{0, 0, FClientWidth, FClientHeight};
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
  int w = r.right - r.left, h = r.bottom - r.top;
  if (FPosition == poScreenCenter) {
    FLeft = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    FTop = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  }
  HWND owner = Application ? Application->Handle() : nullptr;
  FHandle = CreateWindowExA(exStyle, ClassName(), FCaption.c_str(), style, FLeft, FTop, w, h, owner, nullptr,
                            GetModuleHandleA(nullptr), this);
  if (!FHandle) throw Exception(std::string("Cannot create the window ") + ClassName());
  WindowRegionChanged();
  CreateControlWindows();
  return FHandle;
}

namespace {
// Child window identifiers start above IDOK and IDCANCEL, which the dialog
// keys send.
constexpr int kFirstControlId = 1000;
}  // namespace

void TForm::CreateControlWindows() {
  int id = kFirstControlId;
  // Made in tab order, which is the order Tab moves the focus in.
  for (TWinControl* w : TabOrderList()) {
    id++;
    if (!w->HasWindow() || w->Window()) continue;
    w->SetWindow(MakeChildWindow(FHandle, *w, id));
    FControlWindows = FControlWindows || w->Window() != nullptr;
  }
}

void TForm::DestroyControlWindows() {
  for (TControl* c : Controls())
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->SetWindow(nullptr);
  FControlWindows = false;
  FLastFocus = nullptr;
}

void TForm::WindowedControlAdded(TWinControl*) {
  if (FHandle) CreateControlWindows();
}

TForm* TForm::FromHandle(HWND hwnd) {
  if (!hwnd || GetClassLongPtrA(hwnd, GCLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&TForm::WindowProc)) return nullptr;
  return reinterpret_cast<TForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void TForm::FocusFirstControl() {
  if (FLastFocus && IsWindow(FLastFocus) && IsWindowVisible(FLastFocus) && IsWindowEnabled(FLastFocus)) {
    ::SetFocus(FLastFocus);
    return;
  }
  for (TWinControl* w : TabOrderList())
    if (w->Window() && w->TabStop() && w->Showing() && w->EffectivelyEnabled()) {
      w->SetFocus();
      return;
    }
}

LRESULT TForm::ChildMessage(UINT msg, WPARAM wp, LPARAM lp) {
  auto* child = TChildWindow::FromHandle(reinterpret_cast<HWND>(lp));
  switch (msg) {
    case WM_COMMAND:
      if (child) {
        child->Command(HIWORD(wp));
      } else if (LOWORD(wp) == IDOK) {
        // Enter: the focused button, else the default one.
        auto* focused = TChildWindow::FromHandle(GetFocus());
        if (focused && dynamic_cast<TButton*>(&focused->Control())) focused->Control().Click();
        else PressDefault();
      } else if (LOWORD(wp) == IDCANCEL) {
        PressCancel();
      }
      return 0;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      auto* owner = TChildWindow::FromHandle(item->hwndItem);
      return owner && owner->DrawItem(*item);
    }
    default:  // WM_CTLCOLOR*
      if (child)
        if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wp))) return reinterpret_cast<LRESULT>(brush);
      return DefWindowProcA(FHandle, msg, wp, lp);
  }
}

void TForm::RecreateWindow() {
  if (!FHandle) return;
  bool visible = IsWindowVisible(FHandle) != 0;
  DestroyControlWindows();
  SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
  DestroyWindow(FHandle);
  FHandle = nullptr;
  FTrackingLeave = false;
  Handle();
  if (visible) ShowWindow(FHandle, SW_SHOWNOACTIVATE);
}

void TForm::ApplyBounds(UINT flags) {
  if (!FHandle) return;
  SIZE size = WindowSize(FHandle, FClientWidth, FClientHeight);
  SetWindowPos(FHandle, nullptr, FLeft, FTop, size.cx, size.cy, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::BoundsChanged() { ApplyBounds(0); }

void TForm::BorderStyleChanged() {
  if (!FHandle) return;
  DWORD style = 0, exStyle = 0;
  BorderStyles(FBorderStyle, style, exStyle);
  auto oldStyle = static_cast<DWORD>(GetWindowLongPtrA(FHandle, GWL_STYLE));
  auto oldExStyle = static_cast<DWORD>(GetWindowLongPtrA(FHandle, GWL_EXSTYLE));
  SetWindowLongPtrA(FHandle, GWL_STYLE, static_cast<LONG_PTR>((oldStyle & ~kFrameStyles) | style));
  SetWindowLongPtrA(FHandle, GWL_EXSTYLE, static_cast<LONG_PTR>((oldExStyle & ~kFrameExStyles) | exStyle));
  ApplyBounds(SWP_FRAMECHANGED);
}

void TForm::WindowRegionChanged() {
  if (!FHandle) return;
  if (!FWindowRegion) {
    SetWindowRgn(FHandle, nullptr, TRUE);
    return;
  }
  // The window owns the region once SetWindowRgn accepts it. Data the
  // platform refuses leaves the window as it is.
  HRGN region = RegionFromRects(*FWindowRegion);
  if (region && !SetWindowRgn(FHandle, region, TRUE)) DeleteObject(region);
}

void TForm::OnMove() {
  RECT r;
  if (IsIconic(FHandle) || !GetWindowRect(FHandle, &r)) return;
  FLeft = r.left;
  FTop = r.top;
}

void TForm::Show() {
  bool wasVisible = FHandle && IsWindowVisible(FHandle);
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(FHandle);
  if (!wasVisible) {
    FocusFirstControl();
    if (OnShow) OnShow(this);
  }
  UpdateWindow(FHandle);
}

void TForm::Repaint() {
  if (FHandle) RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TForm::Hide() {
  if (FHandle) ShowWindow(FHandle, SW_HIDE);
  MouseLeave();
}

int TForm::ShowModal() {
  Application->CancelHint();
  std::vector<HWND> disabled;
  for (int i = 0; i < Application->ComponentCount(); i++)
    if (auto* f = dynamic_cast<TForm*>(Application->Components(i)))
      if (f != this && f->Visible() && IsWindowEnabled(f->FHandle)) {
        EnableWindow(f->FHandle, FALSE);
        disabled.push_back(f->FHandle);
      }
  FModal = true;
  FModalResult = mrNone;
  Application->FModalForms.push_back(this);
  Show();
  while (FModalResult == mrNone && !Application->Terminated()) Application->HandleMessage();
  Application->FModalForms.pop_back();
  FModal = false;
  for (HWND h : disabled) EnableWindow(h, TRUE);
  Hide();
  if (!disabled.empty()) SetForegroundWindow(disabled.front());
  int result = FModalResult == mrNone ? mrCancel : FModalResult;
  FModalResult = mrNone;
  return result;
}

void TForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
  } else if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else {
    Hide();
  }
}

void TForm::InvalidateRect(const TRect& r) {
  if (!FHandle) return;
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  ::InvalidateRect(FHandle, &rc, FALSE);
}

void TForm::HotControlChanged(TControl* c) {
  if (Application) Application->HintControlChanged(this, c);
}

void TForm::HandleException() { ShowCurrentException(); }

LRESULT CALLBACK TForm::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TForm* self = FromWindow<TForm>(hwnd, msg, lp);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCCREATE) self->FHandle = hwnd;
  return Guarded(hwnd, msg, [&] { return self->Dispatch(msg, wp, lp); });
}

LRESULT TForm::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      OnMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_MOUSELEAVE:
      FTrackingLeave = false;
      MouseLeave();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (Application) Application->CancelHint();
      SetCapture(FHandle);
      MouseDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == FHandle) ReleaseCapture();
      MouseUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_MOVE:
      OnMove();
      return 0;
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ChildMessage(msg, wp, lp);
    case WM_ACTIVATE:
      // The focus leaves with the window and comes back to where it was.
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && GetParent(focus) == FHandle) FLastFocus = focus;
      } else if (FControlWindows) {
        FocusFirstControl();
        return 0;
      }
      return DefWindowProcA(FHandle, msg, wp, lp);
    default:
      return DefWindowProcA(FHandle, msg, wp, lp);
  }
}

void TForm::OnMouseMove(int x, int y) {
  if (!FTrackingLeave) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, FHandle, 0};
    FTrackingLeave = TrackMouseEvent(&track) != 0;
  }
  MouseMove(x, y);
}

void TForm::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(FHandle, &ps);
  RECT client;
  GetClientRect(FHandle, &client);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP buffer = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, buffer);
  TGdiCanvas canvas(memory);
  PaintControls(canvas);
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(buffer);
  DeleteDC(memory);
  EndPaint(FHandle, &ps);
}

// --- hint window ----------------------------------------------------------------

THintWindow::~THintWindow() {
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
  }
}

void THintWindow::CreateParams(DWORD& style, DWORD& exStyle) {
  style = WS_POPUP | WS_BORDER;
  exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
}

HWND THintWindow::Handle() {
  if (FHandle) return FHandle;
  RegisterWindowClass(kHintClass, WindowProc, CS_SAVEBITS);
  DWORD style = 0, exStyle = 0;
  CreateParams(style, exStyle);
  FHandle = CreateWindowExA(exStyle, kHintClass, "", style, 0, 0, 0, 0, Application ? Application->Handle() : nullptr,
                            nullptr, GetModuleHandleA(nullptr), this);
  return FHandle;
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT r{0, 0, maxWidth, 0};
  DrawTextA(dc, hint.c_str(), -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return Rect(0, 0, r.right + 6, r.bottom + 4);
}

void THintWindow::ActivateHint(const TRect& r, const std::string& hint) {
  FCaption = hint;
  HWND h = Handle();
  if (!h) return;
  SetWindowTextA(h, hint.c_str());
  SetWindowPos(h, HWND_TOPMOST, r.Left, r.Top, r.Width(), r.Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(h, nullptr, TRUE);
}

void THintWindow::ReleaseHandle() {
  if (FHandle) ShowWindow(FHandle, SW_HIDE);
}

void THintWindow::Paint(HDC dc, const RECT& client) {
  HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_INFOBK));
  ::FillRect(dc, &client, brush);
  DeleteObject(brush);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
  RECT r{client.left + 2, client.top + 1, client.right - 2, client.bottom};
  DrawTextA(dc, FCaption.c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
}

LRESULT CALLBACK THintWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  THintWindow* self = FromWindow<THintWindow>(hwnd, msg, lp);
  return Guarded(hwnd, msg, [&]() -> LRESULT {
    if (self && msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      self->Paint(dc, client);
      EndPaint(hwnd, &ps);
      return 0;
    }
    if (msg == WM_NCHITTEST) return HTTRANSPARENT;
    return DefWindowProcA(hwnd, msg, wp, lp);
  });
}

// --- application ----------------------------------------------------------------

TApplication::TApplication() {
  Application = this;
  HintWindowClass = [] { return new THintWindow; };
  InstallOpenDialog();
}

TApplication::~TApplication() {
  CancelHint();
  delete FHintWindow;
  FHintWindow = nullptr;
  // The forms go first (as owned components), while the handle still lives.
  DestroyComponents();
  if (FHandle) DestroyWindow(FHandle);
  Application = nullptr;
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FMainForm) FMainForm = nullptr;
  auto drop = [component](std::vector<TForm*>& forms) {
    forms.erase(std::remove_if(forms.begin(), forms.end(), [component](TForm* f) { return f == component; }),
                forms.end());
  };
  drop(FModalForms);
  drop(FMinimizedForms);
}

void TApplication::Initialize() {
  if (FHandle) return;
  if (!RegisterWindowClass(kApplicationClass, WindowProc, 0)) throw Exception("Cannot register the application window");
  int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
  FHandle = CreateWindowExA(0, kApplicationClass, FTitle.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                            nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (!FHandle) throw Exception("Cannot create the application window");
}

void TApplication::SetTitle(const std::string& title) {
  FTitle = title;
  if (FHandle) SetWindowTextA(FHandle, title.c_str());
}

void TApplication::Run() {
  if (FHandle) ShowWindow(FHandle, SW_SHOWNOACTIVATE);
  if (FMainForm) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

bool TApplication::ProcessMessage() {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  // Tab, Enter and Escape move between and press a form's windowed controls.
  TForm* form = msg.hwnd ? TForm::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)) : nullptr;
  if (form && form->HasControlWindows() && IsDialogMessageA(form->Handle(), &msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void TApplication::HandleMessage() {
  if (ProcessMessage() || CheckSynchronize()) return;
  // A message posted since the look above ends the wait at once.
  WaitMessage();
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
  CheckSynchronize();
}

void TApplication::Terminate() {
  if (FTerminated) return;
  FTerminated = true;
  PostQuitMessage(0);
}

void TApplication::Minimize() {
  CancelHint();
  for (int i = 0; i < ComponentCount(); i++)
    if (auto* f = dynamic_cast<TForm*>(Components(i)))
      if (f->Visible()) {
        FMinimizedForms.push_back(f);
        ShowWindow(f->Handle(), SW_HIDE);
      }
  ShowWindow(FHandle, SW_MINIMIZE);
}

void TApplication::Restore() {
  ShowWindow(FHandle, SW_RESTORE);
  for (TForm* f : FMinimizedForms) ShowWindow(f->Handle(), SW_SHOW);
  FMinimizedForms.clear();
}

HWND TApplication::ActiveOwner() const {
  if (!FModalForms.empty()) return FModalForms.back()->Handle();
  if (FMainForm && FMainForm->Visible()) return FMainForm->Handle();
  return FHandle;
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  CancelHint();
  return ::MessageBoxA(ActiveOwner(), text.c_str(), caption.c_str(), flags);
}

void TApplication::ShowException(const Exception& e) {
  MessageBox(ErrorBoxText(e.Message), FTitle, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException() {
  try {
    MessageBox(ErrorBoxText(CurrentExceptionMessage()), FTitle, MB_OK | MB_ICONSTOP);
  } catch (...) {
  }
}

void TApplication::HintControlChanged(TForm*, TControl* control) {
  CancelHint();
  if (!ShowHint || !control || !control->ShowsHint() || control->Hint().empty()) return;
  FHintControl = control;
  SetTimer(FHandle, kHintShowTimer, static_cast<UINT>(HintPause), nullptr);
}

void TApplication::CancelHint() {
  if (!FHandle) return;
  KillTimer(FHandle, kHintShowTimer);
  KillTimer(FHandle, kHintHideTimer);
  FHintControl = nullptr;
  if (FHintWindow) FHintWindow->ReleaseHandle();
}

void TApplication::ShowPendingHint() {
  KillTimer(FHandle, kHintShowTimer);
  if (!FHintControl) return;
  if (!FHintWindow) FHintWindow = HintWindowClass();
  POINT at;
  GetCursorPos(&at);
  TRect r = FHintWindow->CalcHintRect(GetSystemMetrics(SM_CXSCREEN), FHintControl->Hint());
  int y = at.y + GetSystemMetrics(SM_CYCURSOR) * 3 / 4;
  FHintWindow->ActivateHint(Rect(at.x, y, at.x + r.Width(), y + r.Height()), FHintControl->Hint());
  if (HintHidePause > 0) SetTimer(FHandle, kHintHideTimer, static_cast<UINT>(HintHidePause), nullptr);
}

LRESULT CALLBACK TApplication::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TApplication* self = FromWindow<TApplication>(hwnd, msg, lp);
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  return Guarded(hwnd, msg, [&] { return self->Dispatch(hwnd, msg, wp, lp); });
}

LRESULT TApplication::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kHintShowTimer) ShowPendingHint();
      else if (wp == kHintHideTimer) CancelHint();
      return 0;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_RESTORE) {
        Restore();
        return 0;
      }
      if ((wp & 0xFFF0) == SC_MINIMIZE) {
        Minimize();
        return 0;
      }
      break;
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void ShellOpen(HWND owner, const std::string& file) {
  ShellExecuteA(owner, "open", file.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
}
