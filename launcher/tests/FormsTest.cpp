// The launcher's stored form descriptions read by the toolkit's reader into
// platform-free forms: places, sizes, hints, handlers, pictures and where a
// click lands. Also the reader's faults and the error-box text.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "launcher/Components.h"
#include "toolkit/forms/Controls.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Resource(const std::string& name, std::vector<uint8_t>& bytes) {
  static const std::map<std::string, std::string> files = {
      {"MAIN_BACKGROUND", "main_background"}, {"INDICATOR_ON", "indicator_on"},
      {"INDICATOR_OFF", "indicator_off"},     {"WARNING_PICTURE", "warning"},
      {"ABOUT_PICTURE", "about"}};
  auto f = files.find(name);
  if (f == files.end()) return false;
  std::string data = ReadText(std::string(LAUNCHER_DIR) + "/assets/" + f->second + ".pic");
  bytes.assign(data.begin(), data.end());
  return !data.empty();
}

// A form of the given class whose handlers record their calls.
class RecordingForm : public TCustomForm {
public:
  RecordingForm(const char* className, std::vector<std::string> handlers) : TCustomForm(nullptr), FClass(className) {
    for (const std::string& h : handlers) RegisterMethod(h, [this, h](TObject*) { Calls.push_back(h); });
  }
  const char* ClassName() const override { return FClass; }
  std::vector<std::string> Calls;
  template <class T>
  T* Get(const char* name) {
    T* c = dynamic_cast<T*>(FindComponent(name));
    if (!c) ADD_FAILURE() << name << " missing";
    return c;
  }

private:
  const char* FClass;
};

std::unique_ptr<RecordingForm> Load(const char* file, const char* className, std::vector<std::string> handlers) {
  RegisterLauncherComponents();
  auto form = std::make_unique<RecordingForm>(className, handlers);
  form->LoadFromDescription(ParseFormDescription(ReadText(std::string(LAUNCHER_DIR) + "/forms/" + file), Resource));
  return form;
}

struct ButtonRow {
  const char* name;
  TRect bounds;  // left, top, right, bottom
  const char* hint;
  const char* handler;
};

TEST(LauncherForms, MainWindow) {
  auto form = Load("Main.txt", "TMain",
                   {"FormCreate", "SpeedButton1Click", "SpeedButton2Click", "SpeedButton3Click", "SpeedButton4Click",
                    "SpeedButton5Click", "SpeedButton6Click", "SpeedButton7Click"});
  EXPECT_EQ(form->Name(), "Main");
  EXPECT_EQ(form->Caption(), "Main");
  EXPECT_EQ(form->ClientWidth(), 442);
  EXPECT_EQ(form->ClientHeight(), 331);
  EXPECT_EQ(form->BorderStyle(), bsNone);
  EXPECT_EQ(form->Position(), poScreenCenter);
  EXPECT_FALSE(form->Scaled());
  EXPECT_EQ(form->Calls, std::vector<std::string>({"FormCreate"}));

  const ButtonRow buttons[] = {
      {"SpeedButton1", Rect(31, 147, 93, 168), "Close Ashfall\r\nGold Launcher.", "SpeedButton1Click"},
      {"SpeedButton2", Rect(31, 171, 115, 192), "Minimize AFGold\r\nfor later use.\\", "SpeedButton2Click"},
      {"SpeedButton3", Rect(31, 195, 99, 217), "See who made this\r\ngreat addon...\r\nAshfall Gold.",
       "SpeedButton3Click"},
      {"SpeedButton7", Rect(31, 219, 83, 240), "View the Ashfall\r\nGold Help File.", "SpeedButton7Click"},
      {"SpeedButton4", Rect(64, 256, 201, 281), "Enable Ashfall\r\nGold.", "SpeedButton4Click"},
      {"SpeedButton5", Rect(232, 256, 377, 281), "Disable Ashfall\r\nGold.", "SpeedButton5Click"},
      {"SpeedButton6", Rect(128, 288, 313, 313), "Run Ashfall.", "SpeedButton6Click"},
  };
  for (const ButtonRow& b : buttons) {
    SCOPED_TRACE(b.name);
    auto* button = form->Get<TSpeedButton>(b.name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->BoundsRect(), b.bounds);
    EXPECT_EQ(button->Hint(), b.hint);
    EXPECT_TRUE(button->ShowsHint());
    // A click in the middle reaches this button's handler, nothing else.
    form->Calls.clear();
    int x = (b.bounds.Left + b.bounds.Right) / 2, y = (b.bounds.Top + b.bounds.Bottom) / 2;
    EXPECT_EQ(form->ControlAt(x, y), button);
    form->MouseDown(x, y);
    EXPECT_TRUE(button->Pressed());
    form->MouseUp(x, y);
    EXPECT_EQ(form->Calls, std::vector<std::string>({b.handler}));
  }
  // Pressed on a button, released elsewhere: no click.
  form->Calls.clear();
  form->MouseDown(40, 150);
  form->MouseUp(200, 20);
  EXPECT_TRUE(form->Calls.empty());

  auto* background = form->Get<TImage>("Image1");
  EXPECT_EQ(background->BoundsRect(), Rect(0, 0, 442, 331));
  EXPECT_EQ(background->Picture().Width(), 442);
  EXPECT_EQ(background->Picture().Height(), 331);
  auto* on = form->Get<TImage>("Image2");
  auto* off = form->Get<TImage>("Image3");
  EXPECT_EQ(on->BoundsRect(), Rect(360, 200, 419, 242));
  EXPECT_EQ(off->BoundsRect(), Rect(360, 200, 419, 242));
  EXPECT_FALSE(on->Visible());
  EXPECT_TRUE(off->Visible());
  EXPECT_EQ(form->ControlAt(380, 220), off);

  // The shaped-window component covers the form above the background and
  // takes the clicks outside the buttons; it shows no hint.
  auto* plasma = form->Get<TControl>("PlasmaForm1");
  EXPECT_STREQ(plasma->ClassName(), "TPlasmaForm");
  EXPECT_EQ(plasma->BoundsRect(), Rect(0, 0, 442, 331));
  EXPECT_EQ(form->ControlAt(220, 20), plasma);
  EXPECT_FALSE(plasma->ShowsHint());
  EXPECT_NE(form->FindComponent("NOVHint1"), nullptr);
  EXPECT_NE(form->FindComponent("NOVBackground1"), nullptr);
}

TEST(LauncherForms, WarningAndAboutWindows) {
  auto warning = Load("Form2.txt", "TForm2", {"SpeedButton1Click", "SpeedButton2Click"});
  EXPECT_EQ(warning->Caption(), "Form2");
  EXPECT_EQ(warning->ClientWidth(), 252);
  EXPECT_EQ(warning->ClientHeight(), 164);
  EXPECT_EQ(warning->Get<TSpeedButton>("SpeedButton1")->BoundsRect(), Rect(73, 126, 114, 148));
  EXPECT_EQ(warning->Get<TSpeedButton>("SpeedButton2")->BoundsRect(), Rect(142, 126, 177, 148));
  EXPECT_FALSE(warning->Get<TSpeedButton>("SpeedButton1")->ShowsHint());
  warning->MouseDown(20, 20);
  warning->MouseUp(20, 20);  // on the picture: no handler
  EXPECT_TRUE(warning->Calls.empty());

  auto about = Load("About.txt", "TAbout", {"SpeedButton1Click", "PlasmaForm1Click"});
  EXPECT_EQ(about->Caption(), "About");
  EXPECT_EQ(about->ClientWidth(), 275);
  EXPECT_EQ(about->ClientHeight(), 275);
  EXPECT_EQ(about->Get<TSpeedButton>("SpeedButton1")->BoundsRect(), Rect(96, 222, 177, 255));
  const struct {
    int x, y;
    const char* handler;
  } clicks[] = {{136, 238, "SpeedButton1Click"}, {10, 10, "PlasmaForm1Click"}, {137, 100, "PlasmaForm1Click"},
                {95, 240, "PlasmaForm1Click"},   {177, 240, "PlasmaForm1Click"}, {96, 222, "SpeedButton1Click"}};
  for (const auto& c : clicks) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    about->Calls.clear();
    about->MouseDown(c.x, c.y);
    about->MouseUp(c.x, c.y);
    EXPECT_EQ(about->Calls, std::vector<std::string>({c.handler}));
  }
}

TEST(FormReader, ValuesAndNesting) {
  auto resolve = [](const std::string& name, std::vector<uint8_t>& bytes) {
    if (name != "BLOB") return false;
    bytes = {1, 2, 3};
    return true;
  };
  TObjectDesc d = ParseFormDescription(
      "object A: TA // comment\n"
      "  S = 'it''s'#13#10'x'\n  N = -2147483648\n  I = True\n  H = {0aFF 10}\n  R = @BLOB\n"
      "  Dotted.Name = 7\n  object B: TB\n    object C: TC\n    end\n  end\nend\n",
      resolve);
  EXPECT_EQ(d.Name, "A");
  EXPECT_EQ(d.ClassName, "TA");
  ASSERT_EQ(d.Properties.size(), 6u);
  EXPECT_EQ(d.Properties[0].second.Text, "it's\r\nx");
  EXPECT_EQ(d.Properties[1].second.Integer, -2147483648LL);
  EXPECT_EQ(d.Properties[2].second.Kind, vaIdent);
  EXPECT_EQ(d.Properties[3].second.Bytes, std::vector<uint8_t>({0x0A, 0xFF, 0x10}));
  EXPECT_EQ(d.Properties[4].second.Bytes, std::vector<uint8_t>({1, 2, 3}));
  EXPECT_EQ(d.Properties[5].first, "Dotted.Name");
  ASSERT_EQ(d.Children.size(), 1u);
  EXPECT_EQ(d.Children[0].Children.at(0).ClassName, "TC");
}

TEST(FormReader, Faults) {
  std::string deep;
  for (int i = 0; i < 40; i++) deep += "object A: TA\n";
  const struct {
    const char* name;
    std::string text;
    const char* message;
  } cases[] = {
      {"empty", "", "Line 1: name expected"},
      {"no end", "object A: TA\n X = 1\n", "Line 3: name expected"},
      {"unterminated string", "object A: TA\n X = 'abc\nend", "Line 2: unterminated string"},
      {"too large", "object A: TA\n X = 2147483648\nend", "Line 2: number out of range"},
      {"char code", "object A: TA\n X = #256\nend", "Line 2: character code out of range"},
      {"odd hex", "object A: TA\n X = {abc}\nend", "Line 2: odd number of hex digits"},
      {"bad hex", "object A: TA\n X = {zz}\nend", "Line 2: hex digit expected"},
      {"unknown resource", "object A: TA\n X = @NONE\nend", "Line 2: unknown resource NONE"},
      {"trailing text", "object A: TA\nend\nx", "Line 3: text after the last end"},
      {"missing colon", "object A TA\nend", "Line 1: ':' expected"},
      {"too deep", deep, "Line 33: objects nested too deeply"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      ParseFormDescription(c.text, nullptr);
      ADD_FAILURE() << "no error";
    } catch (const EParserError& e) {
      EXPECT_EQ(e.Message, c.message);
    }
  }
}

TEST(FormReader, LoadingFaults) {
  const struct {
    const char* name;
    const char* text;
    const char* message;
  } cases[] = {
      {"other class", "object X: TOther\nend", "Description of TOther read into TMain"},
      {"unknown class", "object X: TMain\n object Y: TNothing\n end\nend", "Class TNothing not found"},
      {"unknown property", "object X: TMain\n Colour = 1\nend", "Error reading X.Colour: Property Colour does not exist"},
      {"wrong type", "object X: TMain\n object B: TSpeedButton\n  Left = 'a'\n end\nend",
       "Error reading B.Left: Invalid property value"},
      {"unknown handler", "object X: TMain\n OnCreate = Nowhere\nend", "Invalid property value: no method Nowhere"},
      {"bad picture", "object X: TMain\n object I: TImage\n  Picture.Data = {055457686174}\n end\nend",
       "Invalid stream format"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingForm form("TMain", {});
    try {
      form.LoadFromDescription(ParseFormDescription(c.text, nullptr));
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, c.message);
    }
  }
}

TEST(ErrorBox, FullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorBoxText("Failed to get data for 'Enabled'"), "Failed to get data for 'Enabled'");
  EXPECT_EQ(ErrorBoxText("Stream read error"), "Stream read error.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("(1)"), "(1)");   // ')' sorts before '.'
  EXPECT_EQ(ErrorBoxText("a/"), "a/.");    // '/' sorts right after '.'
  EXPECT_EQ(ErrorBoxText("x\xE9"), "x\xE9.");  // bytes above 127 sort after it
  EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
