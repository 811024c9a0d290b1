// The installer's three windows built from their descriptions with the
// toolkit's real controls (no platform windows): where each control ends
// up, what Enter, Escape and the buttons do, and a picture of each window
// drawn by the software canvas (saved beside the test as PNG).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "ArchiveComponent.h"
#include "InstallFlow.h"
#include "toolkit/base/SoftCanvas.h"
#include "toolkit/base/tests/SavePng.h"
#include "toolkit/forms/StdCtrls.h"

using namespace installmaven;

namespace {

std::string ReadText(const std::string& file) {
  std::ifstream in(std::string(INSTALLER_DIR) + "/" + file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Binary resources are the files the artwork tool writes.
bool Resource(const std::string& name, std::vector<std::uint8_t>& bytes) {
  static const std::map<std::string, std::string> files = {
      {"MAVEN_BANNER", "maven_banner.pic"}, {"GLYPH_FOLDER", "glyph_folder.bmd"}, {"GLYPH_HELP", "glyph_help.bmd"},
      {"GLYPH_OK", "glyph_ok.bmd"},         {"GLYPH_ABORT", "glyph_abort.bmd"},   {"GLYPH_NEXT", "glyph_next.bmd"},
      {"GLYPH_CANCEL", "glyph_cancel.bmd"}};
  auto it = files.find(name);
  if (it == files.end()) return false;
  std::string data = ReadText("forms/art/" + it->second);
  bytes.assign(data.begin(), data.end());
  return !data.empty();
}

// A window of the installer: the description's class, every handler it
// names recorded when run.
class TWindow : public TCustomForm {
public:
  TWindow(const char* className, const std::string& file) : TCustomForm(nullptr), FClassName(className) {
    RegisterInstallerComponents();
    for (const char* name : {"FormCreate", "FormShow", "AFDirBtnClick", "MavenDirHelpBtnClick", "RulesDirHelpBtnClick",
                             "InstallBtnClick", "AbortBtnClick", "SpeedButton1Click", "ReadItClick"})
      RegisterMethod(name, [this, name](TObject*) { Calls.push_back(name); });
    Methods().Register<void(const std::string&)>("ArchiveFileExtracted",
                                                 [this](const std::string& f) { Calls.push_back("extracted " + f); });
    LoadFromDescription(ParseFormDescription(ReadText("forms/" + file), Resource));
  }
  const char* ClassName() const override { return FClassName; }
  template <class T>
  T* Get(const char* name) { return FindLoaded<T>(*this, name); }
  std::vector<std::string> Calls;

  // The window as the software canvas draws it.
  std::unique_ptr<TBitmap> Picture() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetWidth(ClientWidth());
    b->SetHeight(ClientHeight());
    TSoftCanvas canvas(*b);
    PaintControls(canvas);
    return b;
  }

private:
  const char* FClassName;
};

std::vector<std::string> Names(const std::vector<TWinControl*>& list) {
  std::vector<std::string> names;
  for (TWinControl* w : list) names.push_back(w->Name());
  return names;
}

TEST(InstallerWindows, MainWindowControlsSitInTheirContainers) {
  TWindow w("TMainForm", "MainForm.txt");
  EXPECT_EQ(w.Calls, std::vector<std::string>{"FormCreate"});
  auto* others = w.Get<TPanel>("Others");
  auto* group = w.Get<TGroupBox>("GroupBox1");
  EXPECT_EQ(w.Get<TEdit>("MavDir")->ParentControl(), others);
  EXPECT_EQ(w.Get<TCheckBox>("InstallOriginalRules")->ParentControl(), group);
  EXPECT_EQ(group->ParentControl(), others);
  // Placed in their containers' coordinates: 16 + 8 + 184, 168 + 80 + 16.
  EXPECT_EQ(w.Get<TCheckBox>("InstallOriginalRules")->FormBounds(), Rect(208, 264, 345, 281));
  EXPECT_EQ(w.Get<TImage>("Image1")->BoundsRect(), Rect(0, 0, 385, 112));  // aligned to the top
  // The hidden panel hides what it holds; the edit itself stays visible.
  EXPECT_TRUE(w.Get<TEdit>("MavDir")->Visible());
  EXPECT_FALSE(w.Get<TEdit>("MavDir")->Showing());
  others->SetVisible(true);
  EXPECT_TRUE(w.Get<TEdit>("MavDir")->Showing());

  // InstallBtn first; on the panel RulesDir before MavDir; the group box's
  // boxes follow it.
  EXPECT_EQ(Names(w.TabOrderList()),
            (std::vector<std::string>{"InstallBtn", "AshDir", "Others", "RulesDir", "MavDir", "GroupBox1",
                                      "InstallProgramFiles", "InstallOriginalRules", "AbortBtn", "DebugBox", "Ini"}));

  auto* ash = w.Get<TEdit>("AshDir");
  EXPECT_TRUE(ash->ReadOnly());
  EXPECT_EQ(ash->Color(), clBtnFace);
  EXPECT_EQ(w.Get<TEdit>("MavDir")->Color(), clWindow);
  EXPECT_EQ(ash->Font().Name(), "MS Sans Serif");  // the form's, through ParentFont
  EXPECT_EQ(ash->Font().Height(), -11);
  EXPECT_TRUE(w.Get<TCheckBox>("InstallProgramFiles")->Checked());
  EXPECT_FALSE(w.Get<TCheckBox>("InstallProgramFiles")->Enabled());
  EXPECT_FALSE(w.Get<TCheckBox>("DebugBox")->Checked());
  EXPECT_FALSE(w.Get<TMemo>("Ini")->WordWrap());

  auto* dialog = w.Get<TOpenDialog>("FindAFDirDlg");
  EXPECT_EQ(dialog->Title, "Find Ashfall Directory");
  EXPECT_EQ(dialog->Filter, "Ashfall Directory|Ash.exe");
  EXPECT_EQ(dialog->FileName, "Ash.exe");
  EXPECT_EQ(dialog->Options, (TOpenOptions{ofHideReadOnly, ofNoChangeDir, ofPathMustExist, ofFileMustExist}));
  EXPECT_FALSE(dialog->Execute());  // no dialog without a platform

  auto* archive = w.Get<TArchiveComponent>("Archive");
  EXPECT_EQ(archive->Archive().CompressionLevel(), fcMaximum);
  ASSERT_TRUE(archive->Archive().OnFileExtracted);
  archive->Archive().OnFileExtracted("C:\\Maven\\Maven.exe");
  EXPECT_EQ(w.Calls.back(), "extracted C:\\Maven\\Maven.exe");

  EXPECT_EQ(w.Get<TBitBtn>("InstallBtn")->Glyph().GetWidth(), 16);
  EXPECT_EQ(w.Get<TSpeedButton>("AFDirBtn")->Glyph().GetHeight(), 16);
  EXPECT_EQ(w.Get<TImage>("Image1")->Picture().Width(), 342);
}

TEST(InstallerWindows, EnterPressesInstallOnlyWhileItIsEnabled) {
  TWindow w("TMainForm", "MainForm.txt");
  EXPECT_EQ(w.DefaultButton(), nullptr);  // disabled until the game is found
  EXPECT_FALSE(w.PressDefault());
  w.Get<TBitBtn>("InstallBtn")->SetEnabled(true);
  EXPECT_TRUE(w.PressDefault());
  EXPECT_EQ(w.Calls.back(), "InstallBtnClick");
  EXPECT_FALSE(w.PressCancel());  // the main window has no cancel button
}

TEST(InstallerWindows, AgreementButtonsSetTheResult) {
  TWindow w("TLicenseForm", "LicenseForm.txt");
  auto* readIt = w.Get<TCheckBox>("ReadIt");
  auto* next = w.Get<TBitBtn>("NextBtn");
  EXPECT_EQ(Names(w.TabOrderList()), (std::vector<std::string>{"Memo1", "ReadIt", "NextBtn", "CancelBtn"}));
  EXPECT_EQ(w.Get<TMemo>("Memo1")->Font().Name(), "Courier New");
  EXPECT_EQ(w.Get<TMemo>("Memo1")->ScrollBars(), ssHorizontal);
  EXPECT_EQ(w.Get<TMemo>("Memo1")->Lines().Count(), 9);
  EXPECT_EQ(next->Layout(), blGlyphRight);
  EXPECT_FALSE(next->Enabled());

  readIt->Click();  // the box toggles, then its handler runs
  EXPECT_TRUE(readIt->Checked());
  EXPECT_EQ(w.Calls, std::vector<std::string>{"ReadItClick"});

  EXPECT_TRUE(w.PressCancel());  // Escape
  EXPECT_EQ(w.ModalResult(), mrCancel);
  w.SetModalResult(mrNone);
  next->SetEnabled(true);
  next->Click();
  EXPECT_EQ(w.ModalResult(), mrOk);
}

// The pictures are for looking at; a few pixels pin the layout down.
TEST(InstallerWindows, WindowsDrawnByTheSoftwareCanvas) {
  TWindow main("TMainForm", "MainForm.txt");
  main.Get<TPanel>("Others")->SetVisible(true);
  main.Get<TEdit>("AshDir")->SetText("C:\\Games\\Ashfall\\");
  auto picture = main.Picture();
  EXPECT_TRUE(SavePng(*picture, "installer_main.png"));
  // The banner is stretched over the whole width: its last column is not
  // the window's colour.
  EXPECT_NE(picture->PixelColor(384, 50), ColorToRGB(clBtnFace));
  // The panel's raised bevel: highlight on its top-left, shadow bottom-right.
  EXPECT_EQ(picture->PixelColor(16, 200), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(picture->PixelColor(368, 200), ColorToRGB(clBtnShadow));
  // A read-only edit on the window's colour.
  EXPECT_EQ(picture->PixelColor(200, 150), ColorToRGB(clBtnFace));

  TWindow progress("TInstallForm", "InstallForm.txt");
  progress.Get<TProgressBar>("ProgressBar")->SetPosition(300);
  auto bar = progress.Picture();
  EXPECT_TRUE(SavePng(*bar, "installer_progress.png"));
  EXPECT_EQ(progress.Get<TPanel>("Panel1")->BoundsRect(), Rect(0, 0, 209, 98));
  EXPECT_EQ(progress.Get<TLabel>("What")->BoundsRect(), Rect(2, 2, 207, 33));  // inside both bevels
  EXPECT_EQ(bar->PixelColor(13 + 90, 48), ColorToRGB(clHighlight));           // half the bar filled
  EXPECT_EQ(bar->PixelColor(13 + 100, 48), ColorToRGB(clBtnFace));

  TWindow license("TLicenseForm", "LicenseForm.txt");
  EXPECT_TRUE(SavePng(*license.Picture(), "installer_license.png"));
}

}  // namespace
