// The form-description reader: sets, string lists, identifiers, objects
// inside objects, and events bound by name (the older value kinds are
// covered with the launcher's forms).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/forms/FormReader.h"

namespace {

const TPropValue& Prop(const TObjectDesc& d, const std::string& name) {
  for (const auto& [n, v] : d.Properties)
    if (n == name) return v;
  throw std::runtime_error("no property " + name);
}

TEST(FormReaderValues, SetsListsAndIdentifiers) {
  TObjectDesc d = ParseFormDescription(
      "object F: TF\n"
      "  Color = clBtnFace\n"
      "  Font.Style = [fsBold]\n"
      "  Options = [ofHideReadOnly, ofPathMustExist,ofFileMustExist , ofNoChangeDir]\n"
      "  Anchors = []\n"
      "  Lines.Strings = (\n"
      "    ''\n"
      "    'it''s'#9'tab'\n"
      "    'joined ' +\n"
      "      'over ' + 'lines'\n"
      "    #13)\n"
      "  Items.Strings = ()\n"
      "  Hint = 'a' + 'b'\n"
      "end\n",
      nullptr);
  EXPECT_EQ(Prop(d, "Color").Kind, vaIdent);
  EXPECT_EQ(Prop(d, "Color").Text, "clBtnFace");
  EXPECT_EQ(Prop(d, "Font.Style").Kind, vaSet);
  EXPECT_EQ(Prop(d, "Font.Style").Items, std::vector<std::string>({"fsBold"}));
  EXPECT_EQ(Prop(d, "Options").Items,
            std::vector<std::string>({"ofHideReadOnly", "ofPathMustExist", "ofFileMustExist", "ofNoChangeDir"}));
  EXPECT_EQ(Prop(d, "Anchors").Kind, vaSet);
  EXPECT_TRUE(Prop(d, "Anchors").Items.empty());
  EXPECT_EQ(Prop(d, "Lines.Strings").Kind, vaList);
  EXPECT_EQ(Prop(d, "Lines.Strings").Items, std::vector<std::string>({"", "it's\ttab", "joined over lines", "\r"}));
  EXPECT_EQ(Prop(d, "Items.Strings").Kind, vaList);
  EXPECT_TRUE(Prop(d, "Items.Strings").Items.empty());
  EXPECT_EQ(Prop(d, "Hint").Text, "ab");
}

// Line numbers must still count the lines inside lists and joined strings.
TEST(FormReaderValues, Faults) {
  const struct {
    const char* name;
    const char* text;
    const char* message;
  } cases[] = {
      {"set without bracket", "object A: TA\n X = [a, b\nend", "Line 3: ']' expected"},
      {"set of strings", "object A: TA\n X = ['a']\nend", "Line 2: name expected"},
      {"set trailing comma", "object A: TA\n X = [a,]\nend", "Line 2: name expected"},
      {"list of names", "object A: TA\n X = (\n  'a'\n  b)\nend", "Line 4: string expected"},
      {"list not closed", "object A: TA\n X = (\n  'a'\n", "Line 4: ')' expected"},
      {"plus without string", "object A: TA\n X = 'a' +\n  7\nend", "Line 3: string expected"},
      {"plus at the end", "object A: TA\n X = 'a' +", "Line 2: string expected"},
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

TEST(FormReaderObjects, ObjectsInsideObjectsKeepTheirOrder) {
  TObjectDesc d = ParseFormDescription(
      "object F: TF\n"
      "  object Others: TPanel\n"
      "    Visible = False\n"
      "    object Label5: TLabel\n"
      "    end\n"
      "    object GroupBox1: TGroupBox\n"
      "      object Box1: TCheckBox\n"
      "        State = cbChecked\n"
      "      end\n"
      "      object Box2: TCheckBox\n"
      "      end\n"
      "    end\n"
      "    Caption = 'after the children'\n"
      "  end\n"
      "  object Btn: TButton\n"
      "  end\n"
      "end\n",
      nullptr);
  ASSERT_EQ(d.Children.size(), 2u);
  const TObjectDesc& others = d.Children[0];
  EXPECT_EQ(others.Name, "Others");
  ASSERT_EQ(others.Properties.size(), 2u);
  EXPECT_EQ(others.Properties[1].second.Text, "after the children");
  ASSERT_EQ(others.Children.size(), 2u);
  const TObjectDesc& group = others.Children[1];
  EXPECT_EQ(group.ClassName, "TGroupBox");
  ASSERT_EQ(group.Children.size(), 2u);
  EXPECT_EQ(group.Children[0].Name, "Box1");
  EXPECT_EQ(Prop(group.Children[0], "State").Text, "cbChecked");
  EXPECT_EQ(d.Children[1].Name, "Btn");
}

TEST(FormReaderEvents, BindingsOfEveryObjectInTextOrder) {
  TObjectDesc d = ParseFormDescription(
      "object F: TF\n"
      "  OnCreate = FormCreate\n"
      "  Only = True\n"           // not an event: no capital after "On"
      "  OnShow = 'FormShow'\n"   // not a handler name: a string
      "  object P: TPanel\n"
      "    object B: TButton\n"
      "      OnClick = BClick\n"
      "    end\n"
      "  end\n"
      "  object Archive: TZLBArchive\n"
      "    OnFileExtracted = ArchiveFileExtracted\n"
      "  end\n"
      "end\n",
      nullptr);
  std::vector<TEventBinding> b = EventBindings(d);
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0].Component, "F");
  EXPECT_EQ(b[0].Event, "OnCreate");
  EXPECT_EQ(b[0].Handler, "FormCreate");
  EXPECT_EQ(b[1].Component, "B");
  EXPECT_EQ(b[2].Component, "Archive");
  EXPECT_EQ(b[2].Event, "OnFileExtracted");
  EXPECT_EQ(b[2].Handler, "ArchiveFileExtracted");
}

TEST(FormReaderEvents, MethodTableBindsAnySignatureAndRefusesAMismatch) {
  TMethodTable methods;
  std::vector<std::string> calls;
  methods.Register<void(const std::string&)>("ArchiveFileExtracted",
                                             [&](const std::string& f) { calls.push_back("extracted " + f); });
  methods.Register<void(TObject*)>("InstallBtnClick", [&](TObject*) { calls.push_back("click"); });
  EXPECT_TRUE(methods.Contains("InstallBtnClick"));
  EXPECT_FALSE(methods.Contains("Nowhere"));

  methods.Find<void(const std::string&)>("ArchiveFileExtracted")("a.txt");
  methods.Find<void(TObject*)>("InstallBtnClick")(nullptr);
  EXPECT_EQ(calls, std::vector<std::string>({"extracted a.txt", "click"}));

  const struct {
    const char* name;
    std::function<void()> bind;
    const char* message;
  } faults[] = {
      {"missing", [&] { methods.Find<void(TObject*)>("Nowhere"); }, "Invalid property value: no method Nowhere"},
      {"other signature", [&] { methods.Find<void(TObject*)>("ArchiveFileExtracted"); },
       "Invalid property value: method ArchiveFileExtracted does not fit"},
  };
  for (const auto& f : faults) {
    SCOPED_TRACE(f.name);
    try {
      f.bind();
      ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message, f.message);
    }
  }
}

}  // namespace
