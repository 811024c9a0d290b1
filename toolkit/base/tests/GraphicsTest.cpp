// Graphics core: bitmaps, the picture registries and stored pictures, the
// clipboard stand-in.
#include "toolkit/base/Graphics.h"

#include <gtest/gtest.h>

namespace {

class TDot : public TGraphic {
public:
  const char* ClassName() const override { return "TDot"; }
  static const TGraphicClass* ClassInfo() {
    static const TGraphicClass c{"TDot", [] { return static_cast<TGraphic*>(new TDot); }};
    return &c;
  }
  void Draw(TCanvas&, const TRect&) override {}
  bool GetEmpty() const override { return Value == 0; }
  int GetWidth() const override { return 1; }
  int GetHeight() const override { return 1; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromStream(TStream& s) override {
    s.ReadBuffer(&Value, 1);
    Changed(this);
  }
  void SaveToStream(TStream& s) override { s.WriteBuffer(&Value, 1); }
  void LoadFromClipboardFormat(TClipboardFormat, THandle, TPaletteHandle) override {}
  void SaveToClipboardFormat(TClipboardFormat&, THandle&, TPaletteHandle&) override {}
  void Assign(const TPersistent* source) override {
    if (auto d = dynamic_cast<const TDot*>(source)) {
      Value = d->Value;
      return;
    }
    TGraphic::Assign(source);
  }
  std::uint8_t Value = 0;
};

TEST(Picture, RegistryAndStoredForm) {
  TPicture::RegisterFileFormat("dot", "Dot", TDot::ClassInfo());
  EXPECT_EQ(TPicture::FindByExtension("DOT"), TDot::ClassInfo());
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  std::uint8_t stored[] = {4, 'T', 'D', 'o', 't', 42};
  TMemoryStream s(stored, sizeof stored);
  p.ReadData(s);
  ASSERT_NE(dynamic_cast<TDot*>(p.Graphic()), nullptr);
  EXPECT_EQ(static_cast<TDot*>(p.Graphic())->Value, 42);
  EXPECT_GE(changes, 1);

  TMemoryStream out;
  p.WriteData(out);
  EXPECT_EQ(out.Bytes(), std::vector<std::uint8_t>(stored, stored + sizeof stored));

  TPicture copy;
  copy.Assign(&p);
  EXPECT_EQ(static_cast<TDot*>(copy.Graphic())->Value, 42);
  EXPECT_NE(copy.Graphic(), p.Graphic());

  std::uint8_t none[] = {0};
  TMemoryStream n(none, 1);
  p.ReadData(n);
  EXPECT_EQ(p.Graphic(), nullptr);

  TPicture::UnregisterGraphicClass(TDot::ClassInfo());
  EXPECT_EQ(TPicture::FindByExtension("dot"), nullptr);
  TMemoryStream again(stored, sizeof stored);
  EXPECT_THROW(p.ReadData(again), EInvalidGraphic);
}

TEST(Bitmap, RowsPaletteAndStreamForm) {
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(5, 3);
  EXPECT_EQ(b.RowBytes(), 8);
  b.ScanLine(2)[4] = 9;
  auto pal = std::make_shared<TPaletteData>();
  pal->Entries.push_back({1, 2, 3, 4});
  b.SetPalette(pal);
  TMemoryStream s;
  b.SaveToStream(s);
  s.SetPosition(0);
  TBitmap c;
  c.LoadFromStream(s);
  EXPECT_EQ(c.GetWidth(), 5);
  EXPECT_EQ(c.PixelFormat(), pf8bit);
  EXPECT_EQ(c.ScanLine(2)[4], 9);
  ASSERT_TRUE(c.GetPalette());
  EXPECT_EQ(c.GetPalette()->Entries[0].Blue, 3);
  EXPECT_THROW(c.ScanLine(3), EInvalidGraphic);
}

TEST(Clipboard, FormatsAndBlocks) {
  TClipboardFormat a = RegisterClipboardFormatName("Toolkit Test Format");
  EXPECT_NE(a, 0);
  EXPECT_EQ(RegisterClipboardFormatName("Toolkit Test Format"), a);
  const char text[] = "payload";
  THandle h = GlobalBlockAlloc(text, sizeof text);
  ASSERT_NE(h, 0u);
  auto bytes = GlobalBlockBytes(h);
  ASSERT_GE(bytes.size(), sizeof text);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data()), "payload");
  ASSERT_TRUE(ClipboardOpen());
  ClipboardEmpty();
  EXPECT_TRUE(ClipboardSetData(a, h));
  EXPECT_EQ(ClipboardGetData(a), h);
  ClipboardClose();
}

}  // namespace
