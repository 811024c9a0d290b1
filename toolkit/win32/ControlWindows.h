// The child windows of windowed controls (edits, memos, check boxes,
// buttons, progress bars): each is a system window class on the form's
// window, placed in form coordinates, that follows its control and writes
// back what the user changes. The form routes its child notifications
// (WM_COMMAND, WM_DRAWITEM, WM_CTLCOLOR*) to them.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "toolkit/forms/StdCtrls.h"

class TChildWindow : public TControlWindow {
public:
  ~TChildWindow() override;
  HWND Handle() const { return FHandle; }
  TWinControl& Control() const { return FControl; }
  // The child window object of a window made here, or null.
  static TChildWindow* FromHandle(HWND hwnd);

  void Update() override;
  void SetFocus() override;
  bool Focused() const override;
  // A notification code of WM_COMMAND from this window.
  virtual void Command(WORD) {}
  // An owner-drawn window's paint; false when not owner-drawn.
  virtual bool DrawItem(const DRAWITEMSTRUCT&) { return false; }
  // The brush behind the window's text (WM_CTLCOLOR*), or null for the
  // system's.
  virtual HBRUSH ControlColor(HDC dc);

protected:
  TChildWindow(TWinControl& control) : FControl(control) {}
  // Creates the window; called once by MakeChildWindow.
  void Create(HWND form, int id, const char* windowClass, DWORD style, DWORD exStyle);
  // The control's value (text, state, position) into the window.
  virtual void UpdateValue() {}
  void SetWindowTextIfChanged(const std::string& text);
  TWinControl& FControl;
  HWND FHandle = nullptr;

private:
  friend std::unique_ptr<TChildWindow> MakeChildWindow(HWND form, TWinControl& control, int id);
  void UpdateFont();
  HFONT FFont = nullptr;
  std::string FFontKey;
  HBRUSH FBrush = nullptr;
  TColor FBrushColor = clNone;
};

// The window of a control that HasWindow(), made on the form's window with
// control identifier id; null for a control of a class without one.
std::unique_ptr<TChildWindow> MakeChildWindow(HWND form, TWinControl& control, int id);

// Gives TOpenDialog its Execute (GetOpenFileName).
void InstallOpenDialog();
