// The Windows half under Wine: synchronised calls reaching the main thread
// in every loop it can be in, the standard error box for errors of any type
// in window procedures, border styles, form setters and window regions,
// and the child windows of windowed controls with their keys.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <stdexcept>
#include <thread>

#include "toolkit/base/Thread.h"
#include "toolkit/win32/ControlWindows.h"
#include "toolkit/win32/Forms.h"

namespace {

using namespace std::chrono_literals;

class TFuncThread : public TThread {
public:
  explicit TFuncThread(std::function<void(TFuncThread&)> body) : FBody(std::move(body)) {}
  ~TFuncThread() override { EndThread(); }

protected:
  void Execute() override { FBody(*this); }

private:
  std::function<void(TFuncThread&)> FBody;
};

// A form without a stored description.
class TPlainForm : public TForm {
public:
  explicit TPlainForm(TComponent* owner, TBorderStyle border = bsSingle) : TForm(owner) {
    FBorderStyle = border;
    FClientWidth = 120;
    FClientHeight = 80;
    FLeft = 40;
    FTop = 30;
  }
  const char* ClassName() const override { return "TPlainForm"; }
};

HWND FindBox(const char* caption) {
  HWND box = FindWindowA("#32770", caption);
  return box && IsWindowVisible(box) ? box : nullptr;
}

// The worker calls in until the main thread is inside the loop under test
// (check says so from the main thread), then ends that loop.
void SynchronizeInside(TFuncThread& self, std::function<bool()> check, std::atomic<bool>& inside) {
  while (!self.Terminated() && !inside) {
    self.Synchronize([&] { inside = InMainThread() && check(); });
    if (!inside) std::this_thread::sleep_for(20ms);
  }
}

TEST(ThreadWindow, WorkerReachesTheMainThreadInEveryLoop) {
  struct Case {
    const char* name;
    // Runs the loop on the main thread; the worker's call ends it.
    std::function<void(TApplication&, std::atomic<bool>&)> run;
  };
  const Case cases[] = {
      {"main loop", [](TApplication& app, std::atomic<bool>& inside) {
         TFuncThread t([&](TFuncThread& self) {
           SynchronizeInside(self, [&] { return !app.Terminated(); }, inside);
           self.Synchronize([&] { app.Terminate(); });
         });
         t.Start();
         app.Run();
         t.WaitFor();
       }},
      {"modal form", [](TApplication& app, std::atomic<bool>& inside) {
         auto* form = new TPlainForm(&app);
         TFuncThread t([&](TFuncThread& self) {
           SynchronizeInside(self, [&] { return form->Visible(); }, inside);
           self.Synchronize([&] { form->SetModalResult(mrOk); });
         });
         t.Start();
         EXPECT_EQ(form->ShowModal(), mrOk);
         t.WaitFor();
       }},
      {"message box", [](TApplication& app, std::atomic<bool>& inside) {
         TFuncThread t([&](TFuncThread& self) {
           SynchronizeInside(self, [] { return FindBox("Thread box") != nullptr; }, inside);
           self.Synchronize([] { PostMessageA(FindBox("Thread box"), WM_COMMAND, IDOK, 0); });
         });
         t.Start();
         EXPECT_EQ(app.MessageBox("Waiting for a worker", "Thread box", MB_OK), IDOK);
         t.WaitFor();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TApplication app;
    app.Initialize();
    std::atomic<bool> inside{false};
    c.run(app, inside);
    EXPECT_TRUE(inside);
    MSG quit;  // Terminate's WM_QUIT would end the next case's loop at once
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
}

TEST(ThreadWindow, ManyWorkersThroughTheMessageLoop) {
  TApplication app;
  app.Initialize();
  constexpr int kWorkers = 8, kCalls = 50;
  int total = 0;
  std::vector<std::unique_ptr<TFuncThread>> workers;
  for (int i = 0; i < kWorkers; i++)
    workers.push_back(std::make_unique<TFuncThread>([&](TFuncThread& self) {
      for (int n = 0; n < kCalls; n++) self.Synchronize([&] { total += InMainThread(); });
    }));
  ASSERT_NE(FindWindowA("TThreadWindow", nullptr), nullptr);
  for (auto& w : workers) w->Start();
  auto end = std::chrono::steady_clock::now() + 30s;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, nullptr);  // so the deadline is looked at
  while (total < kWorkers * kCalls && std::chrono::steady_clock::now() < end) app.HandleMessage();
  KillTimer(nullptr, timer);
  EXPECT_EQ(total, kWorkers * kCalls);
  for (auto& w : workers) w->WaitFor();
  workers.clear();
  EXPECT_EQ(FindWindowA("TThreadWindow", nullptr), nullptr) << "the window outlives the last thread";
}

// Closes the first error box captioned with the title and keeps its text.
class TBoxCloser {
public:
  explicit TBoxCloser(const char* caption)
      : FThread([this, caption] {
          auto end = std::chrono::steady_clock::now() + 20s;
          while (std::chrono::steady_clock::now() < end) {
            if (HWND box = FindBox(caption)) {
              char text[256] = "";
              GetDlgItemTextA(box, 65535, text, sizeof text);
              Text = text;
              PostMessageA(box, WM_COMMAND, IDOK, 0);
              return;
            }
            std::this_thread::sleep_for(20ms);
          }
        }) {}
  ~TBoxCloser() {
    if (FThread.joinable()) FThread.join();
  }
  std::string Wait() {
    FThread.join();
    return Text;
  }
  std::string Text;

private:
  std::thread FThread;
};

class TThrowingHint : public THintWindow {
protected:
  void Paint(HDC, const RECT&) override { throw std::bad_alloc(); }
};

TEST(ErrorBox, WindowProceduresShowAnyError) {
  struct Case {
    const char* name;
    std::function<void(TApplication&)> provoke;
    const char* text;
  };
  const Case cases[] = {
      {"hint window paint", [](TApplication&) {
         TThrowingHint hint;
         hint.ActivateHint(Rect(10, 10, 80, 30), "hint");
         UpdateWindow(hint.Handle());
       }, "Out of memory."},
      {"click on a form", [](TApplication& app) {
         auto* form = new TPlainForm(&app);
         auto* button = new TSpeedButton(form);
         button->SetParent(form);
         button->SetBounds(0, 0, 20, 20);
         button->OnClick = [](TObject*) { throw std::runtime_error("broken"); };
         form->Show();
         SendMessageA(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
         SendMessageA(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
       }, "broken."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TApplication app;
    app.SetTitle("Error box test");
    app.Initialize();
    TBoxCloser closer("Error box test");
    c.provoke(app);
    EXPECT_EQ(closer.Wait(), c.text);
  }
}

TEST(Forms, FreedMainFormIsForgotten) {
  TApplication app;
  app.Initialize();
  TPlainForm* main = nullptr;
  app.CreateForm(main);
  ASSERT_EQ(app.MainForm(), main);
  delete main;
  EXPECT_EQ(app.MainForm(), nullptr);
}

TEST(Forms, BorderStylesAndSetters) {
  struct Case {
    TBorderStyle border;
    bool caption;
    DWORD exStyle;
  };
  const Case cases[] = {{bsNone, false, 0},
                        {bsSingle, true, 0},
                        {bsDialog, true, WS_EX_DLGMODALFRAME},
                        {bsToolWindow, true, WS_EX_TOOLWINDOW}};
  TApplication app;
  app.Initialize();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.border);
    TPlainForm form(&app, c.border);
    HWND h = form.Handle();
    RECT client, window;
    GetClientRect(h, &client);
    GetWindowRect(h, &window);
    EXPECT_EQ(client.right, 120);
    EXPECT_EQ(client.bottom, 80);
    EXPECT_EQ(window.left, 40);
    EXPECT_EQ(window.top, 30);
    EXPECT_EQ((GetWindowLongA(h, GWL_STYLE) & WS_CAPTION) == WS_CAPTION, c.caption);
    EXPECT_EQ(GetWindowLongA(h, GWL_EXSTYLE) & (WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW), c.exStyle);

    // Setters act on the live window; the client size survives a new frame.
    form.SetLeft(70);
    form.SetTop(60);
    form.SetClientWidth(150);
    form.SetClientHeight(90);
    form.SetBorderStyle(c.border == bsNone ? bsToolWindow : bsNone);
    GetClientRect(h, &client);
    GetWindowRect(h, &window);
    EXPECT_EQ(window.left, 70);
    EXPECT_EQ(window.top, 60);
    EXPECT_EQ(client.right, 150);
    EXPECT_EQ(client.bottom, 90);
    EXPECT_EQ((GetWindowLongA(h, GWL_STYLE) & WS_CAPTION) == WS_CAPTION, c.border == bsNone);
    // A move from outside is read back.
    SetWindowPos(h, nullptr, 15, 25, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form.Left(), 15);
    EXPECT_EQ(form.Top(), 25);
  }
}

std::vector<RECT> WindowRegionRects(HWND h) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  std::vector<RECT> rects;
  if (GetWindowRgn(h, region) != ERROR) {
    DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<std::uint8_t> data(size);
    GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data()));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    auto* r = reinterpret_cast<RECT*>(data.data() + header->dwSize);
    rects.assign(r, r + header->nCount);
  }
  DeleteObject(region);
  return rects;
}

TEST(Forms, WindowRegionSurvivesRecreation) {
  TApplication app;
  app.Initialize();
  TPlainForm form(&app, bsNone);
  // Set before the window exists, then kept through a recreation.
  form.SetWindowRegion(std::vector<TRect>{Rect(10, 0, 110, 10), Rect(0, 10, 120, 80)});
  HWND h = form.Handle();
  auto expectShape = [](HWND w) {
    std::vector<RECT> rects = WindowRegionRects(w);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].left, 10);
    EXPECT_EQ(rects[0].right, 110);
    EXPECT_EQ(rects[1].top, 10);
    EXPECT_EQ(rects[1].bottom, 80);
  };
  expectShape(h);
  form.Show();
  form.RecreateWindow();
  EXPECT_TRUE(form.Visible());
  expectShape(form.Handle());
  form.SetWindowRegion(std::nullopt);
  EXPECT_TRUE(WindowRegionRects(form.Handle()).empty());
}

}  // namespace

namespace {

// A form of windowed controls, one of them on a panel.
class TControlsForm : public TPlainForm {
public:
  explicit TControlsForm(TComponent* owner) : TPlainForm(owner) {
    RegisterMethod("Clicked", [this](TObject* s) { Clicks.push_back(static_cast<TComponent*>(s)->Name()); });
    LoadFromDescription(ParseFormDescription(
        "object F: TPlainForm\n ClientWidth = 200\n ClientHeight = 120\n"
        " object Ok: TButton\n  Left = 10\n  Top = 90\n  Width = 60\n  Height = 24\n  Caption = 'OK'\n"
        "  Default = True\n  TabOrder = 3\n  OnClick = Clicked\n end\n"
        " object Panel: TPanel\n  Left = 10\n  Top = 10\n  Width = 180\n  Height = 40\n  TabOrder = 1\n"
        "  object Name: TEdit\n   Left = 20\n   Top = 8\n   Width = 100\n   Height = 21\n   TabOrder = 0\n  end\n"
        " end\n"
        " object Box: TCheckBox\n  Left = 10\n  Top = 60\n  Width = 100\n  Height = 17\n  Caption = 'Box'\n"
        "  TabOrder = 2\n  OnClick = Clicked\n end\n"
        " object Cancel: TButton\n  Left = 120\n  Top = 90\n  Width = 60\n  Height = 24\n  Caption = 'Cancel'\n"
        "  Cancel = True\n  ModalResult = 2\n  TabOrder = 4\n end\n"
        "end",
        nullptr));
  }
  template <class T>
  T* Get(const char* name) { return FindLoaded<T>(*this, name); }
  HWND Window(const char* name) {
    auto* w = dynamic_cast<TChildWindow*>(Get<TWinControl>(name)->Window());
    return w ? w->Handle() : nullptr;
  }
  std::vector<std::string> Clicks;
};

RECT ClientRectOf(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(WindowedControls, ChildWindowsFollowTheirControls) {
  TApplication app;
  app.Initialize();
  TControlsForm* form = nullptr;
  app.CreateForm(form);
  form->Show();
  // Made in tab order: the edit on the panel, the box, then the buttons.
  std::vector<HWND> order;
  for (HWND h = GetWindow(form->Handle(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) order.push_back(h);
  EXPECT_EQ(order, (std::vector<HWND>{form->Window("Name"), form->Window("Box"), form->Window("Ok"),
                                      form->Window("Cancel")}));
  RECT edit = ClientRectOf(form->Window("Name"));
  EXPECT_EQ(edit.left, 30);  // 10 + 20 in the panel
  EXPECT_EQ(edit.top, 18);
  EXPECT_EQ(GetFocus(), form->Window("Name")) << "the first tab stop has the focus";

  SendMessageA(form->Window("Name"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
  EXPECT_EQ(form->Get<TEdit>("Name")->Text(), "typed");
  form->Get<TEdit>("Name")->SetText("set");
  char text[16] = "";
  GetWindowTextA(form->Window("Name"), text, sizeof text);
  EXPECT_STREQ(text, "set");

  SendMessageA(form->Window("Box"), BM_CLICK, 0, 0);
  EXPECT_TRUE(form->Get<TCheckBox>("Box")->Checked());
  EXPECT_EQ(SendMessageA(form->Window("Box"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(form->Clicks, std::vector<std::string>{"Box"});

  // A hidden or disabled panel hides or disables what it holds.
  form->Get<TPanel>("Panel")->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(form->Window("Name")));
  form->Get<TPanel>("Panel")->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(form->Window("Name")));
  form->Get<TPanel>("Panel")->SetVisible(true);
  form->Get<TPanel>("Panel")->SetEnabled(true);
  EXPECT_TRUE(IsWindowVisible(form->Window("Name")));
  EXPECT_TRUE(IsWindowEnabled(form->Window("Name")));
  form->Hide();
}

TEST(WindowedControls, EnterAndEscapePressTheDefaultAndCancelButtons) {
  TApplication app;
  app.Initialize();
  TControlsForm* form = nullptr;
  app.CreateForm(form);
  form->Handle();
  HWND edit = form->Window("Name");
  // Keys wait in the queue until the modal loop hands them on.
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(form->Clicks, std::vector<std::string>{"Ok"});
}

}  // namespace
