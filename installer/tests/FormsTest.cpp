// The installer's three window descriptions, read with the toolkit's form
// reader: every control where the windows expect it, the texts, the events
// bound to handlers of the right kind, and a start state that agrees with
// the install flow's.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "InstallState.h"
#include "toolkit/forms/FormReader.h"

using namespace installmaven;

namespace {

struct Form {
  TObjectDesc Desc;
  std::set<std::string> Resources;
};

Form Load(const std::string& file) {
  std::ifstream in(std::string(INSTALLER_DIR) + "/forms/" + file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  Form f;
  f.Desc = ParseFormDescription(text.str(), [&](const std::string& name, std::vector<uint8_t>& bytes) {
    f.Resources.insert(name);
    bytes = {0};
    return true;
  });
  return f;
}

// The object of that name anywhere in d, and the name of the object holding it.
const TObjectDesc* Find(const TObjectDesc& d, const std::string& name, std::string* parent = nullptr) {
  for (const TObjectDesc& c : d.Children) {
    if (c.Name == name) {
      if (parent) *parent = d.Name;
      return &c;
    }
    if (const TObjectDesc* found = Find(c, name, parent)) return found;
  }
  return nullptr;
}

const TPropValue* Prop(const TObjectDesc& d, const std::string& name) {
  for (const auto& [n, v] : d.Properties)
    if (n == name) return &v;
  return nullptr;
}

std::string Str(const TObjectDesc& d, const std::string& name) {
  const TPropValue* v = Prop(d, name);
  return v && v->Kind == vaString ? v->Text : "<none>";
}
std::string Ident(const TObjectDesc& d, const std::string& name) {
  const TPropValue* v = Prop(d, name);
  return v && v->Kind == vaIdent ? v->Text : "<none>";
}
long long Int(const TObjectDesc& d, const std::string& name) {
  const TPropValue* v = Prop(d, name);
  return v && v->Kind == vaInteger ? v->Integer : -999;
}

struct Placed {
  const char* name;
  const char* className;
  const char* parent;
  int left, top, width, height;  // -1: not given (sized by the control)
};

void ExpectPlaced(const TObjectDesc& form, const std::vector<Placed>& controls) {
  for (const Placed& c : controls) {
    SCOPED_TRACE(c.name);
    std::string parent;
    const TObjectDesc* d = Find(form, c.name, &parent);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->ClassName, c.className);
    EXPECT_EQ(parent, c.parent);
    const int expected[4] = {c.left, c.top, c.width, c.height};
    const char* names[4] = {"Left", "Top", "Width", "Height"};
    for (int i = 0; i < 4; i++) {
      if (expected[i] >= 0) {
        EXPECT_EQ(Int(*d, names[i]), expected[i]) << names[i];
      }
    }
  }
}

void ExpectTexts(const TObjectDesc& form, const std::vector<std::vector<std::string>>& texts) {
  for (const auto& t : texts) {  // control, property, text
    SCOPED_TRACE(t[0] + "." + t[1]);
    const TObjectDesc* d = t[0] == form.Name ? &form : Find(form, t[0]);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Str(*d, t[1]), t[2]);
  }
}

// Binds every event as the windows will, each with its handler's signature.
std::vector<std::string> BindEvents(const TObjectDesc& form) {
  TMethodTable methods;
  std::vector<std::string> bound;
  for (const char* name : {"FormCreate", "FormShow", "AFDirBtnClick", "MavenDirHelpBtnClick", "RulesDirHelpBtnClick",
                           "InstallBtnClick", "AbortBtnClick", "SpeedButton1Click", "ReadItClick"})
    methods.Register<void(TObject*)>(name, [](TObject*) {});
  methods.Register<void(const std::string&)>("ArchiveFileExtracted", [](const std::string&) {});
  for (const TEventBinding& b : EventBindings(form)) {
    if (b.Event == "OnFileExtracted") {
      methods.Find<void(const std::string&)>(b.Handler);
    } else {
      methods.Find<void(TObject*)>(b.Handler);
    }
    bound.push_back(b.Component + "." + b.Event + "=" + b.Handler);
  }
  return bound;
}

TEST(InstallerForms, MainFormControls) {
  Form f = Load("MainForm.txt");
  const TObjectDesc& m = f.Desc;
  EXPECT_EQ(m.ClassName, "TMainForm");
  EXPECT_EQ(Int(m, "ClientWidth"), 385);
  EXPECT_EQ(Int(m, "ClientHeight"), 348);
  EXPECT_EQ(Ident(m, "BorderStyle"), "bsSingle");
  EXPECT_EQ(Prop(m, "BorderIcons")->Items, std::vector<std::string>({"biSystemMenu"}));
  EXPECT_EQ(Ident(m, "Position"), "poScreenCenter");
  EXPECT_EQ(Ident(m, "ShowHint"), "False");
  ExpectPlaced(m, {
      {"Image1", "TImage", "MainForm", 0, 0, 385, 112},
      {"Label1", "TLabel", "MainForm", 0, 112, -1, -1},
      {"Label6", "TLabel", "MainForm", 289, 112, 95, -1},
      {"Label2", "TLabel", "MainForm", 24, 144, -1, -1},
      {"AshDir", "TEdit", "MainForm", 136, 140, 193, 21},
      {"AFDirBtn", "TSpeedButton", "MainForm", 336, 140, 21, 21},
      {"Others", "TPanel", "MainForm", 16, 168, 353, 129},
      {"Label5", "TLabel", "Others", 112, 5, -1, -1},
      {"Label4", "TLabel", "Others", 8, 30, -1, -1},
      {"MavDir", "TEdit", "Others", 120, 26, 193, 21},
      {"MavenDirHelpBtn", "TSpeedButton", "Others", 320, 26, 21, 21},
      {"Label3", "TLabel", "Others", 8, 56, -1, -1},
      {"RulesDir", "TEdit", "Others", 120, 52, 193, 21},
      {"RulesDirHelpBtn", "TSpeedButton", "Others", 320, 52, 21, 21},
      {"GroupBox1", "TGroupBox", "Others", 8, 80, 337, 41},
      {"InstallProgramFiles", "TCheckBox", "GroupBox1", 8, 16, 129, 17},
      {"InstallOriginalRules", "TCheckBox", "GroupBox1", 184, 16, 137, 17},
      {"InstallBtn", "TBitBtn", "MainForm", 107, 312, 75, 25},
      {"AbortBtn", "TBitBtn", "MainForm", 203, 312, 75, 25},
      {"SpeedButton1", "TSpeedButton", "MainForm", 8, 304, 25, 25},
      {"DebugBox", "TCheckBox", "MainForm", 8, 328, 57, 17},
      {"Ini", "TMemo", "MainForm", 48, 8, 185, 89},
      {"FindAFDirDlg", "TOpenDialog", "MainForm", -1, -1, -1, -1},
      {"Archive", "TZLBArchive", "MainForm", -1, -1, -1, -1},
  });
  ExpectTexts(m, {
      {"MainForm", "Caption", "Install Maven - Ashfall Launcher"},
      {"MainForm", "Font.Name", "MS Sans Serif"},
      {"Label1", "Caption", "Maven Version: 2.5"},
      {"Label6", "Caption", "Installer Version: 1.1"},
      {"Label2", "Caption", "Ashfall Directory:"},
      {"Label5", "Caption", "Recommended Settings:"},
      {"Label4", "Caption", "Maven Directory:"},
      {"Label3", "Caption", "Rules Directory:"},
      {"GroupBox1", "Caption", "Options"},
      {"InstallProgramFiles", "Caption", "Install Program Files"},
      {"InstallOriginalRules", "Caption", "Install Original Rules"},
      {"InstallBtn", "Caption", "&Install"},
      {"AbortBtn", "Caption", "Abort"},
      {"DebugBox", "Caption", "Debug"},
      {"AFDirBtn", "Hint", "Browse"},
      {"MavenDirHelpBtn", "Hint", "Help!"},
      {"RulesDirHelpBtn", "Hint", "Help!"},
      {"FindAFDirDlg", "Title", "Find Ashfall Directory"},
      {"FindAFDirDlg", "Filter", "Ashfall Directory|Ash.exe"},
      {"FindAFDirDlg", "FileName", "Ash.exe"},
  });
  EXPECT_EQ(Ident(*Find(m, "Image1"), "Align"), "alTop");
  EXPECT_EQ(Ident(*Find(m, "Image1"), "Stretch"), "True");
  EXPECT_EQ(Ident(*Find(m, "Label6"), "Alignment"), "taRightJustify");
  EXPECT_EQ(Ident(*Find(m, "AshDir"), "ReadOnly"), "True");
  EXPECT_EQ(Ident(*Find(m, "AshDir"), "Color"), "clBtnFace");
  EXPECT_EQ(Ident(*Find(m, "InstallBtn"), "Default"), "True");
  EXPECT_EQ(Ident(*Find(m, "Ini"), "WordWrap"), "False");
  EXPECT_EQ(Prop(*Find(m, "FindAFDirDlg"), "Options")->Items,
            std::vector<std::string>({"ofHideReadOnly", "ofNoChangeDir", "ofPathMustExist", "ofFileMustExist"}));
  EXPECT_EQ(Ident(*Find(m, "Archive"), "CompressionLevel"), "fcMaximum");
  // Install first in the window's tab order, the rules folder first on the panel.
  EXPECT_EQ(Int(*Find(m, "InstallBtn"), "TabOrder"), 0);
  EXPECT_EQ(Int(*Find(m, "RulesDir"), "TabOrder"), 0);
  EXPECT_EQ(Int(*Find(m, "MavDir"), "TabOrder"), 1);
  EXPECT_EQ(f.Resources, std::set<std::string>({"MAVEN_BANNER", "GLYPH_FOLDER", "GLYPH_HELP", "GLYPH_OK", "GLYPH_ABORT"}));
  EXPECT_EQ(BindEvents(m), std::vector<std::string>({
                               "MainForm.OnCreate=FormCreate",
                               "MainForm.OnShow=FormShow",
                               "AFDirBtn.OnClick=AFDirBtnClick",
                               "MavenDirHelpBtn.OnClick=MavenDirHelpBtnClick",
                               "RulesDirHelpBtn.OnClick=RulesDirHelpBtnClick",
                               "InstallBtn.OnClick=InstallBtnClick",
                               "AbortBtn.OnClick=AbortBtnClick",
                               "SpeedButton1.OnClick=SpeedButton1Click",
                               "Archive.OnFileExtracted=ArchiveFileExtracted",
                           }));
}

// The window starts as the flow's state says it does.
TEST(InstallerForms, MainFormStartsAsTheFlowState) {
  Form f = Load("MainForm.txt");
  const TObjectDesc& m = f.Desc;
  TMainFormState s;
  auto flag = [&](const char* control, const char* property, bool unset) {
    std::string v = Ident(*Find(m, control), property);
    return v == "<none>" ? unset : v == "True";
  };
  EXPECT_EQ(flag("InstallBtn", "Enabled", true), s.InstallEnabled);
  EXPECT_EQ(flag("Others", "Visible", true), s.OthersVisible);
  EXPECT_EQ(flag("AFDirBtn", "Visible", true), s.AFDirBtnVisible);
  EXPECT_EQ(flag("InstallProgramFiles", "Checked", false), s.InstallProgramFiles);
  EXPECT_FALSE(flag("InstallProgramFiles", "Enabled", true));
  EXPECT_EQ(flag("InstallOriginalRules", "Checked", false), s.InstallOriginalRules);
  EXPECT_EQ(flag("DebugBox", "Checked", false), s.DebugMode);
  EXPECT_FALSE(flag("DebugBox", "Visible", true));
  EXPECT_FALSE(flag("DebugBox", "Enabled", true));
  EXPECT_EQ(flag("SpeedButton1", "Visible", true), s.SpeedButton1Visible);
}

TEST(InstallerForms, ProgressWindow) {
  Form f = Load("InstallForm.txt");
  const TObjectDesc& w = f.Desc;
  EXPECT_EQ(w.ClassName, "TInstallForm");
  EXPECT_EQ(Int(w, "ClientWidth"), 209);
  EXPECT_EQ(Int(w, "ClientHeight"), 98);
  EXPECT_EQ(Ident(w, "BorderStyle"), "bsNone");
  ExpectPlaced(w, {
      {"Panel1", "TPanel", "InstallForm", 0, 0, 209, 98},
      {"What", "TLabel", "Panel1", 2, 2, 205, 31},
      {"ProgressBar", "TProgressBar", "Panel1", 12, 40, 185, 16},
      {"Percent", "TLabel", "Panel1", 2, 60, 205, 13},
  });
  const TObjectDesc& panel = *Find(w, "Panel1");
  EXPECT_EQ(Ident(panel, "Align"), "alClient");
  EXPECT_EQ(Ident(panel, "BevelOuter"), "bvRaised");
  EXPECT_EQ(Ident(panel, "BevelInner"), "bvLowered");
  const TObjectDesc& what = *Find(w, "What");
  EXPECT_EQ(Ident(what, "Align"), "alTop");
  EXPECT_EQ(Ident(what, "Alignment"), "taCenter");
  EXPECT_EQ(Ident(what, "Layout"), "tlBottom");
  EXPECT_EQ(Ident(what, "AutoSize"), "False");
  EXPECT_EQ(Ident(*Find(w, "Percent"), "Alignment"), "taCenter");
  EXPECT_EQ(Ident(*Find(w, "Percent"), "AutoSize"), "False");
  // The design-time texts and the bar are those the flow counts on.
  TProgressModel start;
  EXPECT_EQ(Str(what, "Caption"), start.What());
  EXPECT_EQ(Str(*Find(w, "Percent"), "Caption"), start.Percent());
  const TObjectDesc& bar = *Find(w, "ProgressBar");
  EXPECT_EQ(Int(bar, "Min"), 0);
  EXPECT_EQ(Int(bar, "Max"), TProgressModel::Max);
  EXPECT_EQ(Int(bar, "Position"), start.Position());
  EXPECT_TRUE(f.Resources.empty());
  EXPECT_TRUE(EventBindings(w).empty());
}

TEST(InstallerForms, AgreementWindow) {
  Form f = Load("LicenseForm.txt");
  const TObjectDesc& w = f.Desc;
  EXPECT_EQ(w.ClassName, "TLicenseForm");
  EXPECT_EQ(Int(w, "ClientWidth"), 536);
  EXPECT_EQ(Int(w, "ClientHeight"), 260);
  EXPECT_EQ(Ident(w, "BorderStyle"), "bsToolWindow");
  EXPECT_EQ(Ident(w, "Position"), "poScreenCenter");
  ExpectPlaced(w, {
      {"Memo1", "TMemo", "LicenseForm", 0, 0, 536, 193},
      {"ReadIt", "TCheckBox", "LicenseForm", 440, 200, 73, 17},
      {"NextBtn", "TBitBtn", "LicenseForm", 440, 224, 75, 25},
      {"CancelBtn", "TBitBtn", "LicenseForm", 16, 224, 75, 25},
  });
  ExpectTexts(w, {
      {"LicenseForm", "Caption", "License Agreement"},
      {"Memo1", "Font.Name", "Courier New"},
      {"ReadIt", "Caption", "I accept"},
      {"NextBtn", "Caption", "&Next"},
      {"CancelBtn", "Caption", "Cancel"},
  });
  const TObjectDesc& memo = *Find(w, "Memo1");
  EXPECT_EQ(Ident(memo, "Align"), "alTop");
  EXPECT_EQ(Int(memo, "Font.Height"), -13);
  EXPECT_EQ(Ident(memo, "ParentFont"), "False");
  EXPECT_EQ(Ident(memo, "WordWrap"), "False");
  EXPECT_EQ(Ident(memo, "ScrollBars"), "ssHorizontal");
  EXPECT_EQ(Int(memo, "TabOrder"), 0);
  // A heading, an empty line, the five conditions, an empty line, the rights line.
  const std::vector<std::string>& lines = Prop(memo, "Lines.Strings")->Items;
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_FALSE(lines[0].empty());
  EXPECT_EQ(lines[1], "");
  for (int i = 0; i < 5; i++) EXPECT_EQ(lines[2 + i].substr(0, 3), std::to_string(i + 1) + ". ");
  EXPECT_EQ(lines[7], "");
  EXPECT_NE(lines[8].find("All rights reserved."), std::string::npos);
  for (const std::string& l : lines)
    for (char c : l) EXPECT_TRUE(c >= ' ' && c <= '~') << l;  // one paragraph per line, plain text

  const TObjectDesc& readIt = *Find(w, "ReadIt");
  const TObjectDesc& next = *Find(w, "NextBtn");
  const TObjectDesc& cancel = *Find(w, "CancelBtn");
  EXPECT_EQ(Ident(readIt, "Checked"), "False");
  EXPECT_EQ(Ident(next, "Enabled"), "False");
  EXPECT_EQ(Ident(next, "Layout"), "blGlyphRight");
  EXPECT_EQ(Int(next, "ModalResult"), 1);    // mrOk
  EXPECT_EQ(Int(cancel, "ModalResult"), 2);  // mrCancel
  EXPECT_EQ(Ident(cancel, "Cancel"), "True");
  EXPECT_EQ(f.Resources, std::set<std::string>({"GLYPH_NEXT", "GLYPH_CANCEL"}));
  EXPECT_EQ(BindEvents(w), std::vector<std::string>({"ReadIt.OnClick=ReadItClick"}));
}

}  // namespace
