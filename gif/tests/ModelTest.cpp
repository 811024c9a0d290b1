// The object model's rules: colour tables, header and frame accessors,
// extensions and their registries, settings.
#include "Fixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace GIFImageMessages;

struct Recorder {
  std::vector<TWarn> warnings;
  void Attach(TGIFImage& image) {
    image.OnWarning = [this](TObject*, TGIFSeverity s, const std::string& m) { warnings.push_back({s, m}); };
  }
};

TEST(ColorMap, CapacityGrowsInSteps) {
  TGIFImage image;
  TGIFColorMap* map = image.GlobalColorMap();
  struct { int ask, capacity; } steps[] = {{1, 16}, {16, 16}, {17, 32}, {33, 64}, {200, 224}, {255, 256}, {300, 256}};
  for (auto s : steps) {
    map->SetCapacity(s.ask);
    EXPECT_EQ(map->Capacity(), s.capacity) << s.ask;
  }
  map->SetCapacity(3);
  EXPECT_EQ(map->Capacity(), 256) << "never shrinks";
}

TEST(ColorMap, AddIndexOfAndOverflow) {
  TGIFImage image;
  TGIFColorMap* map = image.GlobalColorMap();
  EXPECT_EQ(map->Add(RGBColor(1, 2, 3)), 0);
  EXPECT_EQ(map->Add(RGBColor(9, 9, 9)), 1);
  EXPECT_EQ(map->Add(RGBColor(1, 2, 3)), 2);
  // Unsorted: search from the last entry; sorted: from the first.
  EXPECT_EQ(map->IndexOf(RGBColor(1, 2, 3)), 2);
  map->SetOptimized(true);
  EXPECT_EQ(map->IndexOf(RGBColor(1, 2, 3)), 0);
  EXPECT_EQ(map->AddUnique(RGBColor(9, 9, 9)), 1);
  EXPECT_TRUE(map->Optimized());
  EXPECT_EQ(map->AddUnique(RGBColor(7, 7, 7)), 3);
  EXPECT_FALSE(map->Optimized()) << "Add clears the sort flag";
  EXPECT_EQ(map->IndexOf(RGBColor(0, 0, 0)), -1);
  EXPECT_EQ(map->GetBitsPerPixel(), 2);
  while (map->Count() < 256) map->Add(RGBColor(0, 0, 0));
  EXPECT_EQ(map->GetBitsPerPixel(), 8);
  try {
    map->Add(RGBColor(0, 0, 0));
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message, _sTooManyColors);
  }
}

TEST(ColorMap, OutOfRangeAccess) {
  TGIFImage image;
  Recorder rec;
  rec.Attach(image);
  TGIFColorMap* map = image.GlobalColorMap();
  try {
    map->GetColor(0);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message, _sEmptyColorMap);
  }
  map->Add(RGBColor(10, 20, 30));
  EXPECT_EQ(map->GetColor(5), RGBColor(10, 20, 30));
  EXPECT_EQ(rec.warnings, (std::vector<TWarn>{{gsWarning, _sBadColorIndex}, {gsWarning, _sBadColorIndex}}));
  EXPECT_THROW(map->SetColor(1, 0), GIFException);
  EXPECT_THROW(map->Delete(-1), GIFException);
  map->Delete(0);
  EXPECT_EQ(map->Count(), 0);
  EXPECT_EQ(map->GetBitsPerPixel(), 0);
}

TEST(ColorMap, ColourConversionAndPalette) {
  EXPECT_EQ(TGIFColorMap::RGB2Color(TGIFColor{0x11, 0x22, 0x33}), 0x332211);
  TGIFColor c = TGIFColorMap::Color2RGB(static_cast<TColor>(0x7F332211));
  EXPECT_EQ(c, (TGIFColor{0x11, 0x22, 0x33}));
  TGIFImage image;
  TGIFColorMap* map = image.GlobalColorMap();
  EXPECT_FALSE(map->ExportPalette());
  const std::uint8_t quads[] = {1, 2, 3, 0, 4, 5, 6, 0};  // blue, green, red, reserved
  map->ImportColorTable(quads, 2);
  EXPECT_EQ(map->GetGIFColor(0), (TGIFColor{3, 2, 1}));
  TPaletteHandle p = map->ExportPalette();
  ASSERT_EQ(p->Entries.size(), 2u);
  EXPECT_EQ(p->Entries[1].Red, 6);
  EXPECT_EQ(p->Entries[1].Flags, 4);
}

TEST(Header, VersionBackgroundAndClear) {
  TGIFImage image;
  ASSERT_TRUE(LoadInto(image, Cat({kHeader, kFrame, kTrailer})).Ok);
  Recorder rec;
  rec.Attach(image);
  TGIFHeader* h = image.Header();
  EXPECT_EQ(h->GetVersion(), gv87a);
  h->SetAspectRatio(49);
  EXPECT_EQ(h->GetVersion(), gv89a);
  h->SetBackgroundColorIndex(5);
  EXPECT_EQ(h->GetBackgroundColorIndex(), 0);
  EXPECT_EQ(rec.warnings, (std::vector<TWarn>{{gsWarning, _sBadColorIndex}}));
  h->SetBackgroundColor(RGBColor(255, 255, 255));
  EXPECT_EQ(h->GetBackgroundColorIndex(), 1);
  h->SetBackgroundColor(RGBColor(0, 0, 255));
  EXPECT_EQ(h->GetBackgroundColorIndex(), 2);
  EXPECT_EQ(h->GetBitsPerPixel(), 2);
  EXPECT_EQ(h->GetColorResolution(), 1);
  h->Clear();
  EXPECT_EQ(h->Width(), 0);
  EXPECT_EQ(h->ColorMap()->Count(), 0);
}

TEST(SubImage, BoundsAndScreenWarnings) {
  TGIFImage image;
  Recorder rec;
  rec.Attach(image);
  auto* f = new TGIFSubImage(&image);
  image.Add(f);
  f->DoSetBounds(0, 0, 4, 3);
  // A zero-sized screen grows silently to hold the frame.
  EXPECT_TRUE(rec.warnings.empty());
  EXPECT_EQ(image.GetWidth(), 4);
  EXPECT_EQ(f->DataSize(), 12u);
  rec.warnings.clear();
  f->SetBounds(1, 2);  // left 2: 6 > 4
  EXPECT_EQ(rec.warnings, (std::vector<TWarn>{{gsWarning, _sBadWidth}, {gsWarning, _sScreenSizeExceeded}}));
  EXPECT_EQ(image.GetWidth(), 6);
  EXPECT_EQ(f->GetBoundsRect(), Rect(2, 0, 6, 3));
  f->SetBoundsRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(f->Width(), 2);
  EXPECT_EQ(f->Height(), 2);
  EXPECT_EQ(f->GetClientRect(), Rect(0, 0, 2, 2));
  try {
    image.SetWidth(1);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message, _sBadWidth);
  }
  EXPECT_THROW(image.SetHeight(1), GIFException);
  image.SetHeight(9);
  EXPECT_EQ(image.GetHeight(), 9);
  // The header holds 16 bits: larger sizes are clamped before the frame
  // check (70000 must not become 4464), negative ones too.
  f->DoSetBounds(0, 0, 5000, 2);
  image.SetWidth(70000);
  EXPECT_EQ(image.GetWidth(), 65535);
  image.SetHeight(65536 + 9);
  EXPECT_EQ(image.GetHeight(), 65535);
  EXPECT_THROW(image.SetWidth(-1), GIFException);
  EXPECT_EQ(image.GetWidth(), 65535);
  f->DoSetBounds(0, 0, 2, 2);
  EXPECT_THROW(f->GetPixel(2, 0), GIFException);
  f->GetScanline(1)[1] = 7;
  EXPECT_EQ(f->GetPixel(1, 1), 7);
}

TEST(SubImage, ActiveColorMapAndVersion) {
  TGIFImage image;
  ASSERT_TRUE(LoadInto(image, Cat({kHeader, kFrame, kTrailer})).Ok);
  TGIFSubImage* f = (*image.Images())[0];
  EXPECT_EQ(f->GetActiveColorMap(), image.GlobalColorMap());
  EXPECT_EQ(f->GetVersion(), gv87a);
  EXPECT_EQ(image.GetVersion(), gv87a);
  f->ColorMap()->Add(RGBColor(1, 1, 1));
  EXPECT_EQ(f->GetActiveColorMap(), f->ColorMap());
  image.GlobalColorMap()->Clear();
  f->ColorMap()->Clear();
  EXPECT_EQ(f->GetActiveColorMap(), f->ColorMap()) << "empty local table when neither has entries";
  new TGIFCommentExtension(f);  // not yet in the list: version unchanged
  auto* c = new TGIFCommentExtension(f);
  f->Extensions()->Add(c);
  EXPECT_EQ(f->GetVersion(), gv89a);
  delete c;
  EXPECT_EQ(f->Extensions()->Count(), 0) << "a destroyed extension leaves its list";
}

TEST(GraphicControl, AccessorsAndFrameLink) {
  TGIFImage image;
  ASSERT_TRUE(LoadInto(image, Cat({kHeader, kFrame, kTrailer})).Ok);
  Recorder rec;
  rec.Attach(image);
  TGIFSubImage* f = (*image.Images())[0];
  auto* gce = new TGIFGraphicControlExtension(f);
  f->Extensions()->Add(gce);
  auto* second = new TGIFGraphicControlExtension(f);
  f->Extensions()->Add(second);
  EXPECT_EQ(f->GraphicControlExtension(), gce) << "the first one made is the frame's";
  gce->SetTransparent(true);
  EXPECT_TRUE(f->Transparent());
  gce->SetDisposal(3);
  gce->SetUserInput(true);
  gce->SetDelay(300);
  EXPECT_EQ(gce->Record().PackedFields, 0x0F);
  EXPECT_EQ(gce->GetDisposal(), 3);
  gce->SetTransparentColorIndex(2);  // the global table has 2 entries
  EXPECT_EQ(gce->GetTransparentColorIndex(), 0);
  EXPECT_EQ(rec.warnings, (std::vector<TWarn>{{gsWarning, _sBadColorIndex}}));
  gce->SetTransparentColor(RGBColor(255, 255, 255));
  EXPECT_EQ(gce->GetTransparentColorIndex(), 1);
  EXPECT_EQ(gce->GetTransparentColor(), RGBColor(255, 255, 255));
  EXPECT_TRUE(image.GetIsTransparent());
  delete gce;
  EXPECT_EQ(f->GraphicControlExtension(), nullptr);
  EXPECT_FALSE(f->Transparent());
  EXPECT_EQ(f->Extensions()->Count(), 1);
}

TEST(Extensions, ApplicationIdentifierPadding) {
  TGIFImage image;
  TGIFSubImage f(&image);
  TGIFApplicationExtension app(&f);
  app.SetIdentifier("AB");
  app.SetAuthentication("1234");
  EXPECT_EQ(app.GetIdentifier(), "AB      ");
  EXPECT_EQ(app.GetAuthentication(), "123");
  TGIFAppExtNSLoop loop(&f);
  EXPECT_EQ(loop.GetIdentifier() + loop.GetAuthentication(), "NETSCAPE2.0");
}

// Prefix checks of an extension read on its own.
TEST(Extensions, IntroducerAndLabelChecks) {
  TGIFImage image;
  TGIFSubImage f(&image);
  struct { const char* name; Bytes data; const char* error; } cases[] = {
      {"wrong introducer", {0x22, 0xFE, 0x00}, _sBadExtensionLabel},
      {"label of another class", {0x21, 0xF9, 0x00}, _sBadExtensionInstance},
      {"cut short", {0x21}, _sOutOfData},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TGIFCommentExtension comment(&f);
    TMemoryStream s(c.data.data(), c.data.size());
    try {
      comment.LoadFromStream(s);
      FAIL();
    } catch (const GIFException& e) {
      EXPECT_EQ(e.Message, c.error);
    }
  }
}

TGIFExtension* CreateMyComment(TGIFSubImage* s);
class TMyComment : public TGIFCommentExtension {
public:
  using TGIFCommentExtension::TGIFCommentExtension;
  static const TGIFExtensionClass* ClassInfo() {
    static const TGIFExtensionClass c{"TMyComment", &CreateMyComment, nullptr};
    return &c;
  }
  const TGIFExtensionClass* Class() const override { return ClassInfo(); }
};
TGIFExtension* CreateMyComment(TGIFSubImage* s) { return new TMyComment(s); }

TGIFExtension* CreateMyApp(TGIFSubImage* s);
class TMyApp : public TGIFUnknownAppExtension {
public:
  using TGIFUnknownAppExtension::TGIFUnknownAppExtension;
  static const TGIFExtensionClass* ClassInfo() {
    static const TGIFExtensionClass c{"TMyApp", &CreateMyApp, nullptr};
    return &c;
  }
  const TGIFExtensionClass* Class() const override { return ClassInfo(); }
};
TGIFExtension* CreateMyApp(TGIFSubImage* s) { return new TMyApp(s); }

// Later registrations win, for labels and for application identifiers.
TEST(Extensions, RegistriesPreferLaterEntries) {
  TGIFExtension::RegisterExtension(0xFE, TMyComment::ClassInfo());
  TGIFApplicationExtension::RegisterExtension("MYAPPID01.0", TMyApp::ClassInfo());
  Bytes app = {0x21, 0xFF, 0x0B, 'M', 'Y', 'A', 'P', 'P', 'I', 'D', '0', '1', '.', '0', 0x01, 0x05, 0x00};
  TGIFImage image;
  ASSERT_TRUE(LoadInto(image, Cat({kHeader, kComment, app, kFrame, kTrailer})).Ok);
  TGIFSubImage* f = (*image.Images())[0];
  EXPECT_NE(dynamic_cast<TMyComment*>((*f->Extensions())[0]), nullptr);
  EXPECT_NE(dynamic_cast<TMyApp*>((*f->Extensions())[1]), nullptr);
  // Put the standard classes back on top for the other tests.
  TGIFExtension::RegisterExtension(0xFE, TGIFCommentExtension::ClassInfo());
}

TEST(Image, DefaultsAndSettings) {
  TGIFImage image;
  EXPECT_EQ(image.DrawOptions(), (TGIFDrawOptions{goAsync, goTransparent, goAnimate, goLoop, goDither, goAutoDither}));
  EXPECT_EQ(image.ColorReduction(), rmNetscape);
  EXPECT_EQ(image.ReductionBits(), 8);
  EXPECT_EQ(image.DitherMode(), dmNearest);
  EXPECT_EQ(image.Compression(), gcLZW);
  EXPECT_EQ(image.ThreadPriority(), tpNormal);
  EXPECT_EQ(image.AnimationSpeed(), 100);
  EXPECT_EQ(image.PaintBackgroundColor(), clNone);
  EXPECT_TRUE(image.GetEmpty());
  EXPECT_EQ(image.GetVersion(), gvUnknown);
  image.SetAnimationSpeed(5000);
  EXPECT_EQ(image.AnimationSpeed(), 1000);
  image.SetAnimationSpeed(-3);
  EXPECT_EQ(image.AnimationSpeed(), 0);
  for (int bad : {2, 9}) EXPECT_THROW(image.SetReductionBits(bad), GIFException);
  image.SetReductionBits(3);
  EXPECT_EQ(image.ReductionBits(), 3);
  EXPECT_STREQ(GIFVersions[gv87a], "87a");
  EXPECT_STREQ(GIFVersions[gv89a], "89a");
  EXPECT_EQ(static_cast<int>(goAutoDither), 10);
  EXPECT_EQ(static_cast<int>(dmPrevious), 3);
}

}  // namespace
