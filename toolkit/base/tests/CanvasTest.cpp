// Colours, pens, brushes, fonts, bitmaps (every pixel format, BMP files
// read back by ImageMagick) and the software canvas on small fixtures.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "testsupport/testsupport.h"
#include "toolkit/base/SoftCanvas.h"
#include "toolkit/base/tests/DrawingScripts.h"
#include "toolkit/forms/Controls.h"

namespace {

// --- colours and graphics objects ---------------------------------------------------

TEST(Colors, TextFormRoundTrips) {
  const struct {
    TColor Value;
    const char* Text;
  } cases[] = {
      {clRed, "clRed"}, {clBtnFace, "clBtnFace"}, {clInfoBk, "clInfoBk"}, {clNone, "clNone"},
      {clDefault, "clDefault"}, {clSilver, "clSilver"}, {0x00123456, "$00123456"},
      {static_cast<TColor>(0x80000020u), "$80000020"}, {-1, "$FFFFFFFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ColorToString(c.Value), c.Text);
    EXPECT_EQ(StringToColor(c.Text), c.Value);
  }
  EXPECT_EQ(StringToColor("CLRED"), clRed);
  EXPECT_EQ(StringToColor("clLtGray"), clSilver);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_EQ(StringToColor("0xFF0000"), clBlue);
  EXPECT_EQ(StringToColor("-2147483633"), clBtnFace);
  for (const char* bad : {"", "clNothing", "$", "12x", "$100000000", "4294967296"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(StringToColor(bad), EConvertError);
  }
  TColor c = 0;
  EXPECT_FALSE(IdentToColor("$FF", c));
  std::string ident = "kept";
  EXPECT_FALSE(ColorToIdent(0x123456, ident));
  EXPECT_EQ(ident, "kept");
}

TEST(Colors, SystemColoursResolveWhenPainted) {
#ifdef _WIN32
  EXPECT_EQ(ColorToRGB(clBtnFace), SystemColorRGB(15));  // the platform's
#else
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
  EXPECT_EQ(ColorToRGB(clInfoBk), 0xE1FFFF);
#endif
  EXPECT_EQ(ColorToRGB(0x7F123456), 0x123456);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
}

TEST(GraphicsObjects, SettersSignalChangesAndAssignCopies) {
  TPen pen;
  int changes = 0;
  pen.OnChange = [&](TObject*) { ++changes; };
  pen.SetColor(clRed);
  pen.SetColor(clRed);  // unchanged: no signal
  pen.SetWidth(3);
  pen.SetStyle(psDot);
  pen.SetMode(pmXor);
  EXPECT_EQ(changes, 4);
  TPen copy;
  copy.Assign(&pen);
  EXPECT_EQ(copy.Color(), clRed);
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_EQ(copy.Mode(), pmXor);

  TFont font;
  EXPECT_EQ(font.Size(), 8);
  font.SetSize(12);
  EXPECT_EQ(font.Height(), -16);
  font.SetStyle({fsBold, fsUnderline});
  font.SetCharset(ANSI_CHARSET_VALUE);
  TFont f2;
  int fontChanges = 0;
  f2.OnChange = [&](TObject*) { ++fontChanges; };
  f2.Assign(&font);
  EXPECT_EQ(fontChanges, 1);
  EXPECT_EQ(f2.Height(), -16);
  EXPECT_TRUE(f2.Style().Contains(fsUnderline));
  EXPECT_THROW(f2.Assign(&pen), EConvertError);

  TBrush brush;
  brush.SetStyle(bsDiagCross);
  TBrush b2;
  b2.Assign(&brush);
  EXPECT_EQ(b2.Style(), bsDiagCross);
}

// --- bitmaps ----------------------------------------------------------------------------

struct FormatCase {
  TPixelFormat Format;
  int Bits;
};
const FormatCase kFormats[] = {{pf1bit, 1}, {pf4bit, 4}, {pf8bit, 8}, {pf15bit, 16}, {pf24bit, 24}, {pf32bit, 32}};

// Colours each format holds exactly (on the standard palettes too).
TColor TestColor(int bits, int x, int y) {
  if (bits == 1) return (x + y) % 3 ? clWhite : clBlack;
  if (bits <= 8) return (x * 3 + y) % 2 ? clRed : ((x + y) % 3 ? clBlue : clWhite);
  if (bits == 16) return RGBColor(std::uint8_t(x * 33 % 32 * 8 | x * 33 % 32 >> 2), 0xFF, 0x00);
  return RGBColor(std::uint8_t(x * 37), std::uint8_t(y * 51), std::uint8_t(x * y));
}

std::unique_ptr<TBitmap> Pattern(const FormatCase& f, int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(f.Format);
  b->SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b->SetPixelColor(x, y, TestColor(f.Bits, x, y));
  return b;
}

TEST(Bitmap, ScanLineLayoutOfEveryFormat) {
  for (const FormatCase& f : kFormats) {
    SCOPED_TRACE(f.Bits);
    auto b = Pattern(f, 7, 3);
    EXPECT_EQ(b->BitsPerPixel(), f.Bits);
    EXPECT_EQ(b->RowBytes(), (7 * f.Bits + 31) / 32 * 4);
    const std::uint8_t* row = b->ScanLine(1);
    TColor c = TestColor(f.Bits, 2, 1);
    switch (f.Bits) {
      case 1: EXPECT_EQ((row[0] >> 5) & 1, c == clWhite ? 1 : 0); break;
      case 4: EXPECT_EQ(row[1] >> 4, b->NearestIndex(c)); break;
      case 8: EXPECT_EQ(row[2], b->NearestIndex(c)); break;
      case 16: EXPECT_EQ(row[4] | (row[5] << 8), ((RedOf(c) >> 3) << 10) | ((GreenOf(c) >> 3) << 5) | (BlueOf(c) >> 3)); break;
      default: {
        const std::uint8_t* p = row + 2 * f.Bits / 8;
        EXPECT_EQ(RGBColor(p[2], p[1], p[0]), c);
      }
    }
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(b->PixelColor(x, y), TestColor(f.Bits, x, y)) << x << "," << y;
    EXPECT_THROW(b->ScanLine(3), EInvalidGraphic);
  }
}

TEST(Bitmap, SizeAndFormatChangesKeepPixels) {
  auto b = Pattern(kFormats[4], 6, 5);
  b->SetSize(4, 7);
  EXPECT_EQ(b->PixelColor(3, 4), TestColor(24, 3, 4));
  EXPECT_EQ(b->PixelColor(2, 6), clBlack);  // new rows start black
  b->SetPixelColor(0, 0, clRed);
  b->SetPixelFormat(pf8bit);
  EXPECT_EQ(b->PixelColor(0, 0), clRed);  // the standard 8-bit palette holds it
  b->SetMonochrome(true);
  EXPECT_TRUE(b->Monochrome());
  EXPECT_EQ(b->PixelColor(0, 0), clBlack);  // red is nearer black than white
}

TEST(Bitmap, MaskAndTransparentColour) {
  auto t = Tiles();
  EXPECT_EQ(t->TransparentColor(), t->PixelColor(0, 3));
  t->SetTransparentColor(clLime);
  EXPECT_EQ(t->TransparentMode(), tmFixed);
  auto mask = t->CreateMask(t->TransparentColor());
  EXPECT_TRUE(mask->Monochrome());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(mask->PixelColor(x, y), t->PixelColor(x, y) == clLime ? clWhite : clBlack);
}

std::string ImageMagickPixels(const std::string& file) {
  std::string cmd = "convert-im6.q16 '" + file + "' -depth 8 rgb:- | od -An -v -tx1";
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  while (p && fgets(buf, sizeof buf, p)) out += buf;
  if (p) pclose(p);
  std::istringstream in(out);
  std::string hex, bytes;
  while (in >> hex) bytes += static_cast<char>(std::strtol(hex.c_str(), nullptr, 16));
  return bytes;
}

TEST(Bitmap, BmpFilesOfEveryFormatReadBackByImageMagick) {
#ifdef _WIN32
  GTEST_SKIP() << "ImageMagick runs on the host side";
#endif
  testsupport::TempDir dir("bmp");
  for (const FormatCase& f : kFormats) {
    SCOPED_TRACE(f.Bits);
    auto b = Pattern(f, 13, 5);
    std::string file = (dir / ("p" + std::to_string(f.Bits) + ".bmp")).string();
    b->SaveToFile(file);
    TBitmap back;
    back.LoadFromFile(file);
    ASSERT_EQ(back.BitsPerPixel(), f.Bits);
    std::string expected;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) {
        EXPECT_EQ(back.PixelColor(x, y), b->PixelColor(x, y));
        TColor c = b->PixelColor(x, y);
        expected += {static_cast<char>(RedOf(c)), static_cast<char>(GreenOf(c)), static_cast<char>(BlueOf(c))};
      }
    EXPECT_EQ(ImageMagickPixels(file), expected);
  }
}

TEST(Bitmap, ReadsTopDownAndImageMagickBmps) {
#ifdef _WIN32
  GTEST_SKIP() << "ImageMagick runs on the host side";
#endif
  testsupport::TempDir dir("bmpin");
  std::string file = (dir / "im.bmp").string();
  // A 3 x 2 image: red, green, blue over white, black, grey.
  ASSERT_EQ(std::system(("convert-im6.q16 -size 3x2 xc:white -fill red -draw 'point 0,0' -fill lime -draw 'point 1,0' "
                         "-fill blue -draw 'point 2,0' -fill black -draw 'point 1,1' -fill gray50 -draw 'point 2,1' "
                         "-type TrueColor BMP3:'" + file + "'").c_str()), 0);
  TBitmap b;
  b.LoadFromFile(file);
  EXPECT_EQ(b.PixelColor(0, 0), clRed);
  EXPECT_EQ(b.PixelColor(1, 0), clLime);
  EXPECT_EQ(b.PixelColor(2, 0), clBlue);
  EXPECT_EQ(b.PixelColor(0, 1), clWhite);
  EXPECT_EQ(b.PixelColor(1, 1), clBlack);
}

TEST(Bitmap, RejectsDamagedBmpStreams) {
  auto good = Pattern(kFormats[2], 4, 4);
  TMemoryStream s;
  good->SaveToStream(s);
  std::vector<std::uint8_t> bytes = s.Bytes();
  const struct {
    const char* Name;
    std::size_t Offset;
    std::uint8_t Value;
    std::size_t Keep;
  } cases[] = {
      {"signature", 0, 'X', 0}, {"planes", 26, 2, 0}, {"bits per pixel", 28, 7, 0}, {"compression (RLE)", 30, 1, 0},
      {"colour count", 46, 0xFF, 0}, {"pixel offset past the end", 11, 0xFF, 0}, {"cut short", 0, 'B', 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::uint8_t> bad = bytes;
    bad[c.Offset] = c.Value;
    if (c.Name[1] == 'o' && c.Offset == 46) bad[47] = 0x01;  // 511 colours
    if (c.Keep) bad.resize(c.Keep);
    TMemoryStream in(bad.data(), bad.size());
    TBitmap b;
    EXPECT_THROW(b.LoadFromStream(in), EInvalidGraphic);
  }
}

// Found by fuzzing: a stored bitmap 33,152 pixels wide and 0 high was
// written as a BMP its own reader refused.
TEST(Bitmap, EmptyAndWideBitmapsSurviveTheBmpRoundTrip) {
  const std::uint8_t stored[] = {0x80, 0x81, 0, 0, 0, 0, 0, 0, 8, 0, 0};
  TReadOnlyMemoryStream in(stored, sizeof stored);
  TBitmap b;
  b.ReadData(in);
  EXPECT_EQ(b.GetWidth(), 0x8180);
  EXPECT_TRUE(b.GetEmpty());
  TMemoryStream bmp;
  b.SaveToStream(bmp);
  bmp.SetPosition(0);
  TBitmap back;
  back.LoadFromStream(bmp);
  EXPECT_EQ(back.GetWidth(), 0x8180);
  EXPECT_EQ(back.BitsPerPixel(), 8);
}

// Found by fuzzing: a 48-byte info header with BI_BITFIELDS made the mask
// check read past the 8 bytes that follow the first 40.
TEST(Bitmap, BitfieldsWithoutRoomForTheMasksAreRefused) {
  std::vector<std::uint8_t> bmp(14 + 48 + 12, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[10] = 14 + 48;                    // pixels right after the header
  bmp[14] = 48;                         // info header size
  bmp[18] = 1;                          // width 1
  bmp[22] = 1;                          // height 1
  bmp[26] = 1;                          // planes
  bmp[28] = 32;                         // bits per pixel
  bmp[30] = 3;                          // BI_BITFIELDS
  TReadOnlyMemoryStream in(bmp.data(), bmp.size());
  TBitmap b;
  EXPECT_THROW(b.LoadFromStream(in), EInvalidGraphic);
}

// --- the software canvas ----------------------------------------------------------------

// The bitmap as rows of characters, one per pixel, from a colour key.
std::string Picture(TBitmap& b, const std::vector<std::pair<TColor, char>>& key) {
  std::string s;
  for (int y = 0; y < b.GetHeight(); ++y) {
    for (int x = 0; x < b.GetWidth(); ++x) {
      char ch = '?';
      for (auto& k : key)
        if (b.PixelColor(x, y) == k.first) ch = k.second;
      s += ch;
    }
    s += '\n';
  }
  return s;
}

TEST(SoftCanvas, RectangleLineAndPolygonPixels) {
  auto b = Plain(6, 5, clWhite);
  TSoftCanvas c(*b);
  c.Pen().SetColor(clRed);
  c.Brush().SetColor(clBlue);
  c.Rectangle(5, 4, 0, 0);  // corners swapped: the same as (0, 0, 5, 4)
  EXPECT_EQ(Picture(*b, {{clWhite, '.'}, {clRed, 'r'}, {clBlue, 'b'}}),
            "rrrrr.\n"
            "rbbbr.\n"
            "rbbbr.\n"
            "rrrrr.\n"
            "......\n");

  auto l = Plain(6, 4, clWhite);
  TSoftCanvas lc(*l);
  lc.MoveTo(0, 0);
  lc.LineTo(5, 2);  // the end point is left out
  EXPECT_EQ(Picture(*l, {{clWhite, '.'}, {clBlack, '#'}}),
            "##....\n"
            "..##..\n"
            "....#.\n"
            "......\n");

  // A pentagram: the winding fill covers the centre, the alternate one not.
  for (TFillMode mode : {fmAlternate, fmWinding}) {
    auto p = Plain(20, 20, clWhite);
    TSoftCanvas pc(*p);
    pc.Pen().SetStyle(psClear);
    pc.Brush().SetColor(clAqua);
    pc.SetPolyFillMode(mode);
    pc.Polygon({{10, 1}, {16, 18}, {1, 7}, {19, 7}, {4, 18}});
    EXPECT_EQ(p->PixelColor(10, 10), mode == fmWinding ? clAqua : clWhite);
    EXPECT_EQ(p->PixelColor(10, 4), clAqua);
  }
}

TEST(SoftCanvas, BlitsWithMasksAndKeyColours) {
  auto t = Tiles();
  auto d = Plain(5, 4, clGray);
  TSoftCanvas c(*d);
  c.BrushCopy(Rect(0, 0, 5, 4), *t, Rect(0, 0, 5, 4), clLime);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(d->PixelColor(x, y), t->PixelColor(x, y) == clLime ? clGray : t->PixelColor(x, y));
  // Twice the size: each source pixel covers 2 x 2.
  auto big = Plain(10, 8, clWhite);
  TSoftCanvas bc(*big);
  bc.StretchBitmap(Rect(0, 0, 10, 8), *t, Rect(0, 0, 5, 4), cmSrcCopy);
  EXPECT_EQ(big->PixelColor(7, 5), t->PixelColor(3, 2));
  EXPECT_EQ(big->PixelColor(6, 4), t->PixelColor(3, 2));
  bc.StretchBitmap(Rect(0, 0, 10, 8), *t, Rect(0, 0, 5, 4), cmSrcInvert);
  EXPECT_EQ(big->PixelColor(7, 5), clBlack);

  // The pixels an uneven stretch picks, as the platform picks them: rows
  // are chosen counting from the bottom, and shrinking keeps the last
  // source pixel whose centre falls in a destination pixel.
  const struct {
    int Width, Height;
    std::vector<int> Columns, Rows;
  } stretches[] = {
      {3, 3, {1, 2, 4}, {0, 1, 3}},
      {13, 9, {0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4}, {0, 0, 1, 1, 1, 2, 2, 3, 3}},
  };
  for (const auto& s : stretches) {
    SCOPED_TRACE(s.Width);
    auto d = Plain(s.Width, s.Height, clWhite);
    TSoftCanvas dc(*d);
    dc.StretchBitmap(Rect(0, 0, s.Width, s.Height), *t, Rect(0, 0, 5, 4), cmSrcCopy);
    for (int y = 0; y < s.Height; ++y)
      for (int x = 0; x < s.Width; ++x) ASSERT_EQ(d->PixelColor(x, y), t->PixelColor(s.Columns[x], s.Rows[y])) << x << "," << y;
  }
}

TEST(SoftCanvas, TextGoesWhereDrawTextPutsIt) {
  auto b = Plain(60, 40, clWhite);
  TSoftCanvas c(*b);
  int w = c.TextWidth("ab");
  ASSERT_GT(w, 0);
  TRect r = Rect(0, 0, 60, 40);
  EXPECT_EQ(c.DrawText("ab ab ab ab ab ab", r, DT_CALCRECT | DT_WORDBREAK), 24);
  EXPECT_EQ(r.Bottom, 24);  // two lines of 12
  r = Rect(0, 0, 60, 40);
  TRect calc = r;
  c.DrawText("&Go", calc, DT_CALCRECT);
  EXPECT_EQ(calc.Width(), c.TextWidth("Go"));
  calc = r;
  c.DrawText("&Go", calc, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(calc.Width(), c.TextWidth("&Go"));

  // Centred at the bottom of a single line, in the font's colour on an
  // opaque background.
  c.Font().SetColor(clRed);
  c.SetBackgroundColor(clYellow);
  r = Rect(10, 5, 50, 35);
  c.DrawText("ab", r, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
  int left = 10 + (40 - w) / 2, top = 35 - TSoftCanvas::LineHeight;
  EXPECT_EQ(b->PixelColor(left, top), clYellow);
  EXPECT_EQ(b->PixelColor(left - 1, top), clWhite);
  EXPECT_EQ(b->PixelColor(left + w, top), clWhite);
  bool red = false;
  for (int y = top; y < 35; ++y)
    for (int x = left; x < left + w; ++x) red |= b->PixelColor(x, y) == clRed;
  EXPECT_TRUE(red);
  EXPECT_EQ(b->PixelColor(left, top - 1), clWhite);

  // Clipped to the rectangle unless DT_NOCLIP.
  auto n = Plain(30, 12, clWhite);
  TSoftCanvas nc(*n);
  TRect small = Rect(0, 0, 4, 12);
  nc.DrawText("WWWW", small, DT_SINGLELINE);
  EXPECT_EQ(n->PixelColor(10, 0), clWhite);
  nc.DrawText("WWWW", small, DT_SINGLELINE | DT_NOCLIP);
  bool drawn = false;
  for (int y = 0; y < 12; ++y)
    for (int x = 4; x < 30; ++x) drawn |= n->PixelColor(x, y) == clBlack;
  EXPECT_TRUE(drawn);
}

// A graphic control paints in its own coordinates, clipped to its bounds.
class TProbe : public TGraphicControl {
public:
  using TGraphicControl::TGraphicControl;
  void Paint() override {
    Canvas()->Brush().SetColor(clRed);
    Canvas()->FillRect(Rect(-5, -5, 100, 100));
    Canvas()->SetPixel(0, 0, clBlue);
  }
};

TEST(GraphicControl, PaintsClippedToItsBounds) {
  TCustomForm form(nullptr);
  auto* probe = new TProbe(&form);
  probe->SetParent(&form);
  probe->SetBounds(3, 2, 4, 3);
  // On the software canvas and on the bitmap's own (GDI on Windows).
  for (bool own : {false, true}) {
    SCOPED_TRACE(own);
    auto b = Plain(10, 8, clWhite);
    TSoftCanvas soft(*b);
    form.PaintControls(own ? b->Canvas() : soft);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 10; ++x) {
        bool inside = x >= 3 && x < 7 && y >= 2 && y < 5;
        TColor expected = x == 3 && y == 2 ? clBlue : inside ? clRed : clWhite;  // the form has no client area
        ASSERT_EQ(b->PixelColor(x, y), expected) << x << "," << y;
      }
    // Drawing after the paint is no longer clipped or moved.
    TCanvas& c = own ? b->Canvas() : soft;
    c.SetPixel(0, 0, clGreen);
    EXPECT_EQ(b->PixelColor(0, 0), clGreen);
  }
}

TEST(SoftCanvas, DrawingScriptsStayInsideTheirSurface) {
  for (const DrawingScript& s : DrawingScripts()) {
    SCOPED_TRACE(s.Name);
    auto b = Plain(20, 20, clWhite);
    TSoftCanvas c(*b);
    s.Draw(c);
    int changed = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) changed += b->PixelColor(x, y) != clWhite;
    EXPECT_GT(changed, 0);
  }
}

}  // namespace
