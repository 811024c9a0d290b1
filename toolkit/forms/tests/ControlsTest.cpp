// Controls leave their form when freed, and errors of any type raised by a
// click reach the form's handler.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "toolkit/forms/Controls.h"

namespace {

class TTestForm : public TCustomForm {
public:
  TTestForm() : TCustomForm(nullptr) { FClientWidth = 100; FClientHeight = 100; }
  std::vector<TControl*> HotChanges;
  std::vector<std::string> Errors;
  void HotControlChanged(TControl* c) override { HotChanges.push_back(c); }
  void HandleException() override { Errors.push_back(CurrentExceptionMessage()); }
};

TSpeedButton* AddButton(TCustomForm& form, int left) {
  auto* b = new TSpeedButton(&form);
  b->SetParent(&form);
  b->SetBounds(left, 0, 10, 10);
  return b;
}

TEST(Controls, FreedControlLeavesItsForm) {
  struct Case {
    const char* name;
    bool ownedByForm;
    std::function<void(TTestForm&, TSpeedButton*)> free;
  };
  const Case cases[] = {
      {"deleted", true, [](TTestForm&, TSpeedButton* b) { delete b; }},
      {"freed by its owner", true, [](TTestForm& f, TSpeedButton*) { f.DestroyComponents(); }},
      {"owned elsewhere, deleted", false, [](TTestForm&, TSpeedButton* b) { delete b; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestForm form;
    TComponent elsewhere;
    auto* b = new TSpeedButton(c.ownedByForm ? static_cast<TComponent*>(&form) : &elsewhere);
    b->SetParent(&form);
    b->SetBounds(0, 0, 10, 10);
    form.MouseMove(5, 5);
    form.MouseDown(5, 5);
    ASSERT_EQ(form.HotControl(), b);
    c.free(form, b);
    EXPECT_TRUE(form.Controls().empty());
    EXPECT_EQ(form.HotControl(), nullptr);
    EXPECT_EQ(form.HotChanges.back(), nullptr);  // the hint follows
    form.MouseUp(5, 5);                          // no captured control left to click
    form.MouseMove(6, 6);
    EXPECT_EQ(form.HotControl(), nullptr);
  }
}

TEST(Controls, ClickErrorsOfAnyTypeReachTheForm) {
  struct Case {
    const char* name;
    std::function<void()> raise;
    const char* message;
  };
  const Case cases[] = {
      {"toolkit", [] { throw EReadError("Stream read error"); }, "Stream read error"},
      {"allocation", [] { throw std::bad_alloc(); }, "Out of memory"},
      {"standard", [] { throw std::runtime_error("broken"); }, "broken"},
      {"other", [] { throw 42; }, "Unknown exception"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestForm form;
    TSpeedButton* b = AddButton(form, 20);
    b->OnClick = [&](TObject*) { c.raise(); };
    form.MouseDown(25, 5);
    form.MouseUp(25, 5);
    EXPECT_EQ(form.Errors, std::vector<std::string>{c.message});
    EXPECT_FALSE(b->Pressed());
  }
}

TEST(Controls, PortableFormLetsClickErrorsThrough) {
  TCustomForm form(nullptr);
  TSpeedButton* b = AddButton(form, 0);
  b->OnClick = [](TObject*) { throw std::bad_alloc(); };
  form.MouseDown(1, 1);
  EXPECT_THROW(form.MouseUp(1, 1), std::bad_alloc);
}

}  // namespace

namespace {

// The platform hooks a window follows, and what the setters leave behind.
class THookForm : public TCustomForm {
public:
  THookForm() : TCustomForm(nullptr) {}
  const char* ClassName() const override { return "THookForm"; }
  std::vector<std::string> Hooks;
  void BoundsChanged() override { Hooks.push_back("bounds"); }
  void BorderStyleChanged() override { Hooks.push_back("border"); }
  void WindowRegionChanged() override { Hooks.push_back("region"); }
};

TEST(Forms, SettersTellTheWindowAndAlignClientControls) {
  THookForm form;
  form.LoadFromDescription(ParseFormDescription(
      "object F: THookForm\n Left = 5\n Top = 6\n ClientWidth = 50\n ClientHeight = 40\n BorderStyle = bsToolWindow\n"
      " object B: TSpeedButton\n  Align = alClient\n end\nend",
      nullptr));
  EXPECT_EQ(form.Left(), 5);
  EXPECT_EQ(form.Top(), 6);
  EXPECT_EQ(form.BorderStyle(), bsToolWindow);
  auto* b = dynamic_cast<TControl*>(form.FindComponent("B"));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->BoundsRect(), Rect(0, 0, 50, 40));

  form.SetLeft(7);
  form.SetClientWidth(60);
  form.SetClientHeight(30);
  form.SetBorderStyle(bsToolWindow);  // unchanged: no hook
  form.SetBorderStyle(bsDialog);
  form.SetWindowRegion(std::vector<TRect>{Rect(0, 0, 10, 10)});
  form.SetWindowRegion(std::nullopt);
  EXPECT_EQ(form.Hooks, (std::vector<std::string>{"bounds", "bounds", "bounds", "border", "region", "region"}));
  EXPECT_EQ(b->BoundsRect(), Rect(0, 0, 60, 30));
  EXPECT_EQ(form.Left(), 7);
  EXPECT_FALSE(form.WindowRegion().has_value());

  THookForm bad;
  EXPECT_THROW(bad.LoadFromDescription(ParseFormDescription("object F: THookForm\n BorderStyle = bsSizeable\nend", nullptr)),
               EReadError);
}

}  // namespace
