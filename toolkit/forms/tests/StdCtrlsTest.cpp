// The standard controls' own logic and looks without platform windows:
// where a label's caption goes, what a check box, a button with a modal
// result and a progress bar do, and how containers pass on visibility,
// enabled state, font and colour.
#include <gtest/gtest.h>

#include "toolkit/base/SoftCanvas.h"
#include "toolkit/forms/StdCtrls.h"

namespace {

class TTestForm : public TCustomForm {
public:
  TTestForm() : TCustomForm(nullptr) {
    RegisterMethod("Clicked", [this](TObject* s) { Clicks.push_back(static_cast<TComponent*>(s)->Name()); });
  }
  const char* ClassName() const override { return "TTestForm"; }
  void Load(const std::string& body) {
    LoadFromDescription(ParseFormDescription("object F: TTestForm\n ClientWidth = 100\n ClientHeight = 60\n" + body +
                                                 "end",
                                             nullptr));
  }
  std::vector<std::string> Clicks;
};

// The bounding box of the pixels of `color` in the form's picture.
TRect Ink(TCustomForm& form, TColor color) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetWidth(form.ClientWidth());
  b.SetHeight(form.ClientHeight());
  TSoftCanvas canvas(b);
  form.PaintControls(canvas);
  TRect box = Rect(b.GetWidth(), b.GetHeight(), -1, -1);
  for (int y = 0; y < b.GetHeight(); y++)
    for (int x = 0; x < b.GetWidth(); x++)
      if (b.PixelColor(x, y) == ColorToRGB(color)) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box;
}

TEST(StdCtrls, LabelCaptionFollowsAlignmentAndLayout) {
  struct Case {
    const char* alignment;
    const char* layout;
    bool left, right, top, bottom;  // the edges of the label the text keeps close to
  };
  const Case cases[] = {
      {"taLeftJustify", "tlTop", true, false, true, false},
      {"taRightJustify", "tlTop", false, true, true, false},
      {"taCenter", "tlBottom", false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.alignment) + " " + c.layout);
    TTestForm form;
    form.Load(std::string(" object L: TLabel\n  Left = 10\n  Top = 10\n  Width = 80\n  Height = 40\n  AutoSize = False\n"
                          "  Caption = 'Ab'\n  Font.Color = clRed\n  Alignment = ") +
              c.alignment + "\n  Layout = " + c.layout + "\n end\n");
    TRect ink = Ink(form, clRed);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 90);
    EXPECT_EQ(ink.Left - 10 < 3, c.left) << ink.Left;
    EXPECT_EQ(90 - ink.Right < 3, c.right) << ink.Right;
    EXPECT_EQ(ink.Top - 10 < 8, c.top) << ink.Top;
    EXPECT_EQ(50 - ink.Bottom < 8, c.bottom) << ink.Bottom;
    if (!c.left && !c.right) EXPECT_LE(std::abs((ink.Left - 10) - (90 - ink.Right)), 2);
  }
}

TEST(StdCtrls, ContainersPassOnVisibilityStateFontAndColour) {
  TTestForm form;
  form.Load(" Font.Name = 'Courier New'\n Color = clTeal\n"
            " object P: TPanel\n  Left = 5\n  Top = 6\n  Width = 90\n  Height = 50\n  ParentColor = True\n"
            "  object E: TEdit\n   Left = 2\n   Top = 3\n   Width = 50\n   Height = 20\n  end\n"
            "  object L: TLabel\n   Left = 2\n   Top = 30\n   Caption = 'x'\n  end\n"
            " end\n");
  auto* panel = FindLoaded<TPanel>(form, "P");
  auto* edit = FindLoaded<TEdit>(form, "E");
  auto* label = FindLoaded<TLabel>(form, "L");
  EXPECT_EQ(edit->FormBounds(), Rect(7, 9, 57, 29));
  EXPECT_EQ(edit->Font().Name(), "Courier New");
  EXPECT_EQ(label->Color(), clTeal);  // the panel's, which is the form's
  EXPECT_EQ(edit->Color(), clWindow);
  panel->SetEnabled(false);
  EXPECT_FALSE(edit->EffectivelyEnabled());
  EXPECT_EQ(form.ControlAt(10, 12), nullptr);  // a disabled panel takes no clicks
  panel->SetEnabled(true);
  EXPECT_EQ(form.ControlAt(10, 12), edit);
  panel->SetVisible(false);
  EXPECT_FALSE(label->Showing());
  EXPECT_EQ(form.ControlAt(10, 40), nullptr);
}

TEST(StdCtrls, ClicksChangeStateBeforeTheHandlerRuns) {
  TTestForm form;
  form.Load(" object C: TCheckBox\n  Caption = 'c'\n  OnClick = Clicked\n end\n"
            " object B: TButton\n  ModalResult = 1\n  OnClick = Clicked\n end\n"
            " object G: TProgressBar\n  Min = 10\n  Max = 20\n  Position = 15\n end\n");
  auto* box = FindLoaded<TCheckBox>(form, "C");
  box->Click();
  EXPECT_TRUE(box->Checked());
  box->SetChecked(true);  // unchanged: no handler
  box->SetChecked(false);
  EXPECT_EQ(form.Clicks, (std::vector<std::string>{"C", "C"}));
  FindLoaded<TButton>(form, "B")->Click();
  EXPECT_EQ(form.ModalResult(), mrOk);
  EXPECT_EQ(form.Clicks.back(), "B");
  auto* bar = FindLoaded<TProgressBar>(form, "G");
  bar->SetPosition(25);
  EXPECT_EQ(bar->Position(), 20);
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 10);
  bar->SetRange(12, 30);
  EXPECT_EQ(bar->Position(), 12);
}

}  // namespace
