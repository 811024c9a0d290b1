#include "toolkit/win32/ControlWindows.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "toolkit/win32/GdiCanvas.h"

namespace {

std::string WindowText(HWND hwnd) {
  int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), length + 1)));
  return text;
}

class TEditWindow : public TChildWindow {
public:
  explicit TEditWindow(TEdit& edit) : TChildWindow(edit), FEdit(edit) {}
  void Command(WORD code) override {
    if (code == EN_CHANGE) FEdit.TextEdited(WindowText(FHandle));
  }

protected:
  void UpdateValue() override {
    SetWindowTextIfChanged(FEdit.Text());
    SendMessageA(FHandle, EM_SETREADONLY, FEdit.ReadOnly(), 0);
  }

private:
  TEdit& FEdit;
};

// The lines shown without the line break after the last one.
std::string MemoText(const TStrings& lines) {
  std::string text = lines.Text();
  if (text.size() >= 2) text.resize(text.size() - 2);
  return text;
}

class TMemoWindow : public TChildWindow {
public:
  explicit TMemoWindow(TMemo& memo) : TChildWindow(memo), FMemo(memo) {}
  void Command(WORD code) override {
    if (code == EN_CHANGE) FMemo.TextEdited(WindowText(FHandle));
  }

protected:
  void UpdateValue() override {
    SetWindowTextIfChanged(MemoText(FMemo.Lines()));
    SendMessageA(FHandle, EM_SETREADONLY, FMemo.ReadOnly(), 0);
  }

private:
  TMemo& FMemo;
};

class TCheckBoxWindow : public TChildWindow {
public:
  explicit TCheckBoxWindow(TCheckBox& box) : TChildWindow(box), FBox(box) {}
  void Command(WORD code) override {
    if (code == BN_CLICKED) FBox.Click();
  }

protected:
  void UpdateValue() override {
    SetWindowTextIfChanged(FBox.Caption());
    SendMessageA(FHandle, BM_SETCHECK, FBox.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }

private:
  TCheckBox& FBox;
};

// Buttons are owner-drawn, so that a glyph sits beside the caption and the
// face is the same in every theme.
class TButtonWindow : public TChildWindow {
public:
  explicit TButtonWindow(TButton& button) : TChildWindow(button), FButton(button) {}
  void Command(WORD code) override {
    if (code == BN_CLICKED) FButton.Click();
  }
  bool DrawItem(const DRAWITEMSTRUCT& item) override {
    TGdiCanvas canvas(item.hDC);
    FButton.DrawFace(canvas, (item.itemState & ODS_SELECTED) != 0, (item.itemState & ODS_FOCUS) != 0);
    return true;
  }

protected:
  void UpdateValue() override {
    SetWindowTextIfChanged(FButton.Caption());
    InvalidateRect(FHandle, nullptr, FALSE);
  }

private:
  TButton& FButton;
};

class TProgressWindow : public TChildWindow {
public:
  explicit TProgressWindow(TProgressBar& bar) : TChildWindow(bar), FBar(bar) {}

protected:
  void UpdateValue() override {
    SendMessageA(FHandle, PBM_SETRANGE32, static_cast<WPARAM>(FBar.Min()), static_cast<LPARAM>(FBar.Max()));
    SendMessageA(FHandle, PBM_SETPOS, static_cast<WPARAM>(FBar.Position()), 0);
  }

private:
  TProgressBar& FBar;
};

}  // namespace

TChildWindow::~TChildWindow() {
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
  }
  if (FFont) DeleteObject(FFont);
  if (FBrush) DeleteObject(FBrush);
}

TChildWindow* TChildWindow::FromHandle(HWND hwnd) {
  return hwnd ? reinterpret_cast<TChildWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)) : nullptr;
}

void TChildWindow::Create(HWND form, int id, const char* windowClass, DWORD style, DWORD exStyle) {
  TRect r = FControl.FormBounds();
  FHandle = CreateWindowExA(exStyle, windowClass, "", style | WS_CHILD | WS_CLIPSIBLINGS, r.Left, r.Top, r.Width(),
                            r.Height(), form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleA(nullptr), nullptr);
  if (!FHandle) throw Exception(std::string("Cannot create the window of ") + FControl.Name());
  SetWindowLongPtrA(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Update();
}

void TChildWindow::SetWindowTextIfChanged(const std::string& text) {
  if (WindowText(FHandle) != text) SetWindowTextA(FHandle, text.c_str());
}

void TChildWindow::UpdateFont() {
  const TFont& f = FControl.Font();
  std::string key = f.Name() + "/" + std::to_string(f.Height()) + "/" + std::to_string(f.Style().Bits()) + "/" +
                    std::to_string(f.Charset());
  if (key == FFontKey) return;
  HFONT font = CreateFontFor(f);
  SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (FFont) DeleteObject(FFont);
  FFont = font;
  FFontKey = key;
}

void TChildWindow::Update() {
  if (!FHandle) return;
  TRect r = FControl.FormBounds();
  SetWindowPos(FHandle, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateFont();
  UpdateValue();
  EnableWindow(FHandle, FControl.EffectivelyEnabled());
  bool show = FControl.Showing();
  if (show != (IsWindowVisible(FHandle) != 0)) ShowWindow(FHandle, show ? SW_SHOWNA : SW_HIDE);
}

void TChildWindow::SetFocus() {
  if (FHandle) ::SetFocus(FHandle);
}

bool TChildWindow::Focused() const { return FHandle && GetFocus() == FHandle; }

HBRUSH TChildWindow::ControlColor(HDC dc) {
  TColor color = ColorToRGB(FControl.Color());
  if (!FBrush || color != FBrushColor) {
    if (FBrush) DeleteObject(FBrush);
    FBrush = CreateSolidBrush(static_cast<COLORREF>(color));
    FBrushColor = color;
  }
  SetBkColor(dc, static_cast<COLORREF>(color));
  SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(FControl.Font().Color())));
  return FBrush;
}

std::unique_ptr<TChildWindow> MakeChildWindow(HWND form, TWinControl& control, int id) {
  std::unique_ptr<TChildWindow> w;
  DWORD tab = control.TabStop() ? WS_TABSTOP : 0;
  if (auto* edit = dynamic_cast<TEdit*>(&control)) {
    w = std::make_unique<TEditWindow>(*edit);
    w->Create(form, id, "EDIT", ES_AUTOHSCROLL | tab, WS_EX_CLIENTEDGE);
  } else if (auto* memo = dynamic_cast<TMemo*>(&control)) {
    DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | tab;
    if (!memo->WordWrap()) style |= ES_AUTOHSCROLL;
    if (memo->ScrollBars() == ssHorizontal || memo->ScrollBars() == ssBoth) style |= WS_HSCROLL;
    if (memo->ScrollBars() == ssVertical || memo->ScrollBars() == ssBoth) style |= WS_VSCROLL;
    w = std::make_unique<TMemoWindow>(*memo);
    w->Create(form, id, "EDIT", style, WS_EX_CLIENTEDGE);
  } else if (auto* box = dynamic_cast<TCheckBox*>(&control)) {
    w = std::make_unique<TCheckBoxWindow>(*box);
    w->Create(form, id, "BUTTON", BS_CHECKBOX | tab, 0);
  } else if (auto* button = dynamic_cast<TButton*>(&control)) {
    w = std::make_unique<TButtonWindow>(*button);
    w->Create(form, id, "BUTTON", BS_OWNERDRAW | tab, 0);
  } else if (auto* bar = dynamic_cast<TProgressBar*>(&control)) {
    static bool registered = [] {
      INITCOMMONCONTROLSEX init{sizeof init, ICC_PROGRESS_CLASS};
      return InitCommonControlsEx(&init) != 0;
    }();
    (void)registered;
    w = std::make_unique<TProgressWindow>(*bar);
    w->Create(form, id, PROGRESS_CLASSA, 0, 0);
  }
  return w;
}

// --- the file-open dialog -----------------------------------------------------------

namespace {

bool ExecuteOpenDialog(TOpenDialog& dialog) {
  // "text|pattern|..." becomes "text\0pattern\0...\0\0".
  std::string filter = dialog.Filter;
  for (char& c : filter)
    if (c == '|') c = '\0';
  filter.append(2, '\0');
  std::vector<char> file(MAX_PATH * 4, '\0');
  dialog.FileName.copy(file.data(), file.size() - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  HWND owner = GetActiveWindow();
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = dialog.Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = dialog.InitialDir.empty() ? nullptr : dialog.InitialDir.c_str();
  ofn.lpstrTitle = dialog.Title.empty() ? nullptr : dialog.Title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING;
  static const std::pair<TOpenOption, DWORD> flags[] = {
      {ofReadOnly, OFN_READONLY},           {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
      {ofHideReadOnly, OFN_HIDEREADONLY},   {ofNoChangeDir, OFN_NOCHANGEDIR},
      {ofShowHelp, OFN_SHOWHELP},           {ofNoValidate, OFN_NOVALIDATE},
      {ofAllowMultiSelect, OFN_ALLOWMULTISELECT}, {ofPathMustExist, OFN_PATHMUSTEXIST},
      {ofFileMustExist, OFN_FILEMUSTEXIST}};
  for (const auto& [option, flag] : flags)
    if (dialog.Options.Contains(option)) ofn.Flags |= flag;
  if (!GetOpenFileNameA(&ofn)) return false;
  dialog.FileName = file.data();
  return true;
}

}  // namespace

void InstallOpenDialog() { TOpenDialog::ExecuteHandler = ExecuteOpenDialog; }
