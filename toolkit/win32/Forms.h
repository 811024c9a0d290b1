// The Windows half of the toolkit: the application object, forms with
// their windows and the plain hint window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/forms/Controls.h"
#include "toolkit/win32/GdiCanvas.h"

class TApplication;
extern TApplication* Application;

// A form with its window: class name of the window = ClassName(), so a form
// can be found by it from outside. Derived forms register their handlers
// and then call InitializeForm, which reads the description stored in the
// program's RCDATA resource named after the class ("TMAIN"); "@NAME"
// binary values come from RCDATA resources of that name.
class TForm : public TCustomForm {
public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  HWND Handle();  // created on first use
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Destroys the window and creates it again (shown again if it was).
  void RecreateWindow();
  // Shows the window; OnShow runs each time it goes from hidden to shown.
  void Show();
  void Hide();
  // Paints the window and its child windows now.
  void Repaint();
  bool Visible() const { return FHandle && IsWindowVisible(FHandle); }
  // Shows the form with the other forms disabled until it is closed or the
  // application terminates; returns the modal result.
  int ShowModal();
  // Ends a modal showing with mrCancel; otherwise hides the form, and for
  // the main form ends the program.
  void Close();

  void InvalidateRect(const TRect& r) override;
  void BoundsChanged() override;
  void BorderStyleChanged() override;
  void WindowRegionChanged() override;
  void HotControlChanged(TControl* c) override;
  void HandleException() override;
  void WindowedControlAdded(TWinControl* c) override;
  // Whether the form's windowed controls take Tab, Enter and Escape (the
  // message loop hands the form's keys to IsDialogMessage).
  bool HasControlWindows() const { return FControlWindows; }
  // The windowed control of a child window of this form, or null.
  static TForm* FromHandle(HWND hwnd);

protected:
  void InitializeForm();

private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();
  void OnMouseMove(int x, int y);
  void OnMove();
  void ApplyBounds(UINT flags);
  void CreateControlWindows();
  void DestroyControlWindows();
  void FocusFirstControl();
  LRESULT ChildMessage(UINT msg, WPARAM wp, LPARAM lp);
  HWND FHandle = nullptr;
  HWND FLastFocus = nullptr;
  bool FTrackingLeave = false, FModal = false, FControlWindows = false;
};

// The plain hint window: a bordered tooltip-coloured box with the hint's
// lines. Its window caption is the hint text. A program may install a
// class of its own through TApplication::HintWindowClass.
class THintWindow : public TObject {
public:
  THintWindow() = default;
  ~THintWindow() override;
  const char* ClassName() const override { return "THintWindow"; }
  // The screen rectangle the hint needs, placed at (0, 0).
  virtual TRect CalcHintRect(int maxWidth, const std::string& hint);
  // Shows the hint in the screen rectangle r.
  virtual void ActivateHint(const TRect& r, const std::string& hint);
  virtual void ReleaseHandle();
  HWND Handle();

protected:
  virtual void Paint(HDC dc, const RECT& client);
  virtual void CreateParams(DWORD& style, DWORD& exStyle);
  std::string FCaption;

private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND FHandle = nullptr;
};

using THintWindowClass = std::function<THintWindow*()>;

// The application: its title (task bar, error boxes), its forms (the first
// created is the main form), the message loop, minimising, terminating,
// message boxes, the standard error box and the hints.
class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;
  const char* ClassName() const override { return "TApplication"; }

  void Initialize();
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& title);
  HWND Handle() const { return FHandle; }

  template <class T>
  void CreateForm(T*& reference) {
    reference = new T(this);
    if (!FMainForm) FMainForm = reference;
  }
  TForm* MainForm() const { return FMainForm; }
  // Shows the main form and turns HandleMessage until Terminate.
  void Run();
  // One turn of the message loop that the main loop and every modal loop
  // share: dispatches the next message; when none waits, runs waiting
  // synchronised calls of threads, or sleeps until a message comes.
  // WM_QUIT ends the application (Terminated).
  void HandleMessage();
  // Dispatches every waiting message, then runs waiting synchronised calls.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Hides the forms and minimises the task bar button; Restore undoes it.
  void Minimize();
  void Restore();

  int MessageBox(const std::string& text, const std::string& caption, UINT flags);
  // The standard error box: ErrorBoxText(message), captioned with the
  // title, OK and the stop icon.
  void ShowException(const Exception& e);
  // The standard error box for the error being handled, whatever its type
  // (CurrentExceptionMessage); call inside a catch block. Never throws.
  void HandleException();

  // Hints: shown HintPause ms after the pointer comes to rest on a control
  // with a hint, hidden after HintHidePause ms or when it moves away.
  bool ShowHint = true;
  int HintPause = 500;
  int HintHidePause = 2500;
  THintWindowClass HintWindowClass;
  void HintControlChanged(TForm* form, TControl* control);
  void CancelHint();

private:
  friend class TForm;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool ProcessMessage();
  // A freed form leaves the main form, modal and minimised lists.
  void Notification(TComponent* component, TOperation operation) override;
  void ShowPendingHint();
  HWND ActiveOwner() const;
  HWND FHandle = nullptr;
  std::string FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  std::vector<TForm*> FModalForms;
  std::vector<TForm*> FMinimizedForms;
  THintWindow* FHintWindow = nullptr;
  TControl* FHintControl = nullptr;
};

// Asks the shell to open a file or address: verb "open", no parameters, no
// folder, SW_SHOWDEFAULT. The result is not examined.
void ShellOpen(HWND owner, const std::string& file);
