// The GDI canvas under Wine: palettes (selected and realised on a device
// context, an 8-bit bitmap's colour table as GDI sees it) and text (where
// TextOut and DrawText put it, in which colour, and what DT_CALCRECT says).
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "toolkit/base/Bitmap.h"
#include "toolkit/base/tests/DrawingScripts.h"
#include "toolkit/win32/GdiCanvas.h"

namespace {

// Sixteen colours no standard palette holds, so a fallback shows.
TPaletteHandle OddPalette(std::uint8_t shift) {
  auto p = std::make_shared<TPaletteData>();
  for (int i = 0; i < 16; ++i)
    p->Entries.push_back(TPaletteEntry{std::uint8_t(3 + 15 * i + shift), std::uint8_t(201 - 11 * i),
                                       std::uint8_t(77 + 7 * i + shift), 0});
  return p;
}

TColor ColorOf(const TPaletteData& p, int i) {
  const TPaletteEntry& e = p.Entries[static_cast<std::size_t>(i)];
  return RGBColor(e.Red, e.Green, e.Blue);
}

// 16 x 2 pixels of 8 bits; pixel x of each row is entry 15 - x.
std::unique_ptr<TBitmap> Indexed(TPaletteHandle palette) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf8bit);
  b->SetSize(16, 2);
  b->SetPalette(palette);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 16; ++x) b->ScanLine(y)[x] = std::uint8_t(15 - x);
  return b;
}

HPALETTE SelectedPalette(TCanvas& c) {
  return static_cast<HPALETTE>(GetCurrentObject(reinterpret_cast<HDC>(c.Handle()), OBJ_PAL));
}

// An 8-bit bitmap drawn through GDI shows its palette's colours, whether or
// not the destination has that palette selected and realised, and after the
// palette is replaced, the new one's (the indices stay).
TEST(GdiPalette, IndexedBitmapShowsItsPaletteColours) {
  TPaletteHandle first = OddPalette(0), second = OddPalette(9);
  auto source = Indexed(first);
  source->Canvas().GetPixel(0, 0);  // the DIB section now sits in the bitmap's own device context
  struct Case {
    const char* name;
    bool realise;
    TPaletteHandle palette;
  };
  const Case cases[] = {{"plain", false, first}, {"realised", true, first}, {"replaced", false, second}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (source->Palette() != c.palette) source->SetPalette(c.palette);
    auto dest = Plain(16, 2, clWhite);
    if (c.realise) {
      dest->Canvas().SelectPalette(c.palette, false);
      EXPECT_NE(dest->Canvas().RealizePalette(), int(GDI_ERROR));
    }
    dest->Canvas().Draw(0, 0, *source);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 16; ++x) ASSERT_EQ(dest->PixelColor(x, y), ColorOf(*c.palette, 15 - x)) << x << "," << y;
  }
}

// GDI drawing on an 8-bit bitmap picks the index of the colour in the
// bitmap's current palette, as ScanLine shows.
TEST(GdiPalette, DrawingOnAnIndexedBitmapWritesPaletteIndices) {
  auto b = Indexed(OddPalette(0));
  for (TPaletteHandle p : {OddPalette(0), OddPalette(9)}) {
    b->SetPalette(p);
    for (int i = 0; i < 16; ++i) {
      b->Canvas().Brush().SetColor(ColorOf(*p, i));
      b->Canvas().FillRect(Rect(i, 0, i + 1, 2));
    }
    for (int x = 0; x < 16; ++x) ASSERT_EQ(b->ScanLine(1)[x], x) << x;
  }
}

// Selecting puts a logical palette with the given entries into the device
// context; a second selection replaces it; the canvas leaves the context's
// own palette behind when it goes.
TEST(GdiPalette, SelectionReplacesAndRestores) {
  HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ original = GetCurrentObject(dc, OBJ_PAL);
  {
    TGdiCanvas canvas(dc);
    for (TPaletteHandle p : {OddPalette(0), OddPalette(9)}) {
      canvas.SelectPalette(p, false);
      HPALETTE selected = SelectedPalette(canvas);
      ASSERT_NE(selected, original);
      PALETTEENTRY entries[17] = {};
      ASSERT_EQ(GetPaletteEntries(selected, 0, 17, entries), 16u);
      for (int i = 0; i < 16; ++i)
        EXPECT_EQ(RGBColor(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), ColorOf(*p, i)) << i;
      EXPECT_NE(canvas.RealizePalette(), int(GDI_ERROR));
    }
    canvas.SelectPalette(nullptr, false);
    EXPECT_EQ(SelectedPalette(canvas), GetStockObject(DEFAULT_PALETTE));
    canvas.SelectPalette(OddPalette(3), true);
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), original);
  DeleteDC(dc);
}

// ---- text -----------------------------------------------------------------

// The smallest rectangle holding every pixel for which `match` holds; empty
// when there is none.
template <class Match>
TRect BoxOf(const TBitmap& b, Match match) {
  TRect box = Rect(b.GetWidth(), b.GetHeight(), 0, 0);
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x)
      if (match(b.PixelColor(x, y))) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box.IsEmpty() ? TRect{} : box;
}

std::string Text(const TRect& r) {
  return "(" + std::to_string(r.Left) + "," + std::to_string(r.Top) + ")-(" + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom) + ")";
}

// A white 24-bit page whose canvas writes red text on yellow cells.
std::unique_ptr<TBitmap> Page(TBackgroundMode mode = bkOpaque) {
  auto b = Plain(160, 80, clWhite);
  TCanvas& c = b->Canvas();
  c.Font().SetName("Tahoma");
  c.Font().SetHeight(-16);
  c.Font().SetColor(clRed);
  c.SetBackgroundColor(clYellow);
  c.SetBackgroundMode(mode);
  return b;
}

// TextOut fills the cell TextExtent gives at (x, y) and writes the text in
// the font's colour inside it; transparent text leaves the cell unfilled.
TEST(GdiText, TextOutFillsItsCellInTheTextColour) {
  for (TBackgroundMode mode : {bkOpaque, bkTransparent}) {
    SCOPED_TRACE(mode == bkOpaque ? "opaque" : "transparent");
    auto b = Page(mode);
    TCanvas& c = b->Canvas();
    const TPoint size = c.TextExtent("Mill");
    ASSERT_GT(size.X, 10);
    ASSERT_GT(size.Y, 10);
    c.TextOut(20, 15, "Mill");
    EXPECT_EQ(c.PenPos().X, 20 + size.X);
    const TRect cell = Rect(20, 15, 20 + size.X, 15 + size.Y);
    const TRect ink = BoxOf(*b, [](TColor p) { return p == clRed; });
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, cell.Left) << Text(ink);
    EXPECT_GE(ink.Top, cell.Top) << Text(ink);
    EXPECT_LE(ink.Right, cell.Right) << Text(ink);
    EXPECT_LE(ink.Bottom, cell.Bottom) << Text(ink);
    const TRect touched = BoxOf(*b, [](TColor p) { return p != clWhite; });
    if (mode == bkOpaque)
      EXPECT_EQ(touched, cell) << Text(touched);
    else
      EXPECT_EQ(touched, ink) << Text(touched) << " (nothing but the letters)";
  }
}

// DrawText places each line's cell by the flags, as the software canvas's
// layout does (LayoutText), and returns the distance from the rectangle's
// top to the bottom of the text. DT_CALCRECT draws nothing and gives the
// width TextExtent measures and that same bottom.
TEST(GdiText, DrawTextPlacesTextByItsFlags) {
  auto probe = Page();
  const TPoint one = probe->Canvas().TextExtent("Mill");
  const TPoint two = probe->Canvas().TextExtent("Millwheel");
  const TRect area = Rect(10, 8, 150, 72);
  const int centreX = 10 + (140 - one.X) / 2, centreY = 8 + 64 / 2 - one.Y / 2;
  struct Case {
    const char* name;
    const char* text;
    unsigned flags;
    TRect cells;  // the cells drawn, together
  };
  const Case cases[] = {
      {"top left", "Mill", 0, Rect(10, 8, 10 + one.X, 8 + one.Y)},
      {"centred at the bottom", "Mill", DT_CENTER | DT_BOTTOM | DT_SINGLELINE,
       Rect(centreX, 72 - one.Y, centreX + one.X, 72)},
      {"right, centred vertically", "Mill", DT_RIGHT | DT_VCENTER | DT_SINGLELINE,
       Rect(150 - one.X, centreY, 150, centreY + one.Y)},
      {"two lines", "Mill\r\nMillwheel", 0, Rect(10, 8, 10 + two.X, 8 + 2 * one.Y)},
      {"prefix", "&Mill", 0, Rect(10, 8, 10 + one.X, 8 + one.Y)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = Page();
    TCanvas& canvas = b->Canvas();
    TRect calc = area;
    EXPECT_EQ(canvas.DrawText(c.text, calc, c.flags | DT_CALCRECT), c.cells.Bottom - area.Top);
    EXPECT_EQ(calc, Rect(10, 8, 10 + c.cells.Width(), c.cells.Bottom)) << Text(calc);
    EXPECT_EQ(BoxOf(*b, [](TColor p) { return p != clWhite; }), TRect{}) << "DT_CALCRECT draws nothing";
    TRect r = area;
    EXPECT_EQ(canvas.DrawText(c.text, r, c.flags), c.cells.Bottom - area.Top);
    EXPECT_EQ(r, area) << "only DT_CALCRECT changes the rectangle";
    EXPECT_TRUE(BoxOf(*b, [](TColor p) { return p == clRed; }) != TRect{});
    const TRect touched = BoxOf(*b, [](TColor p) { return p != clWhite; });
    EXPECT_EQ(touched, c.cells) << Text(touched);
  }
}

// Words that do not fit go to the next line with DT_WORDBREAK; text is
// clipped to the rectangle unless DT_NOCLIP, and TextRect clips to its own.
TEST(GdiText, WordBreakAndClipping) {
  auto b = Page();
  TCanvas& c = b->Canvas();
  const TPoint word = c.TextExtent("Mill");
  const TPoint pair = c.TextExtent("Mill Mill");
  TRect narrow = Rect(0, 0, (word.X + pair.X) / 2, 80);
  TRect calc = narrow;
  EXPECT_EQ(c.DrawText("Mill Mill", calc, DT_WORDBREAK | DT_CALCRECT), 2 * word.Y);
  // GDI counts the space at the break into the first line's width, the
  // software layout leaves it out; either way one word goes per line.
  EXPECT_TRUE(calc.Width() == word.X || calc.Width() == c.TextExtent("Mill ").X) << calc.Width();

  const TRect small = Rect(30, 30, 30 + word.X / 2, 30 + word.Y / 2);
  for (unsigned flags : {0u, unsigned(DT_NOCLIP)}) {
    SCOPED_TRACE(flags);
    auto page = Page();
    TRect r = small;
    page->Canvas().DrawText("Mill", r, flags | DT_SINGLELINE);
    const TRect touched = BoxOf(*page, [](TColor p) { return p != clWhite; });
    EXPECT_EQ(touched, flags ? Rect(30, 30, 30 + word.X, 30 + word.Y) : small) << Text(touched);
  }
  auto page = Page();
  page->Canvas().TextRect(small, 30, 30, "Mill");
  EXPECT_EQ(BoxOf(*page, [](TColor p) { return p != clWhite; }), small);
}

}  // namespace
