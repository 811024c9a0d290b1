// Drawing scripts run on both canvas back ends: under Windows the GDI
// result is compared with the software one pixel for pixel.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/base/Canvas.h"

struct DrawingScript {
  const char* Name;
  bool Exact;  // false: outlines may lie one pixel apart
  std::function<void(TCanvas&)> Draw;
};

// A 24-bit bitmap of w x h filled with one colour.
inline std::unique_ptr<TBitmap> Plain(int w, int h, TColor c) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b->SetPixelColor(x, y, c);
  return b;
}

// A 5 x 4 source with a different colour in every pixel.
inline std::unique_ptr<TBitmap> Tiles() {
  auto b = Plain(5, 4, clWhite);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) b->SetPixelColor(x, y, RGBColor(std::uint8_t(40 * x), std::uint8_t(60 * y), 200));
  b->SetPixelColor(1, 1, clLime);  // the key colour of the key-colour blit
  b->SetPixelColor(3, 2, clLime);
  return b;
}

inline void Pens(TCanvas& c, TColor pen, TColor brush) {
  c.Pen().SetColor(pen);
  c.Brush().SetColor(brush);
}

inline const std::vector<DrawingScript>& DrawingScripts() {
  static const std::vector<DrawingScript> scripts = {
      {"rectangle", true, [](TCanvas& c) { Pens(c, clRed, clBlue); c.Rectangle(2, 3, 12, 9); }},
      {"rectangle swapped corners", true, [](TCanvas& c) { Pens(c, clRed, clBlue); c.Rectangle(12, 9, 2, 3); }},
      {"rectangle without pen", true,
       [](TCanvas& c) { Pens(c, clRed, clBlue); c.Pen().SetStyle(psClear); c.Rectangle(2, 3, 12, 9); }},
      {"fill and frame swapped", true,
       [](TCanvas& c) {
         c.Brush().SetColor(clGreen);
         c.FillRect(Rect(14, 12, 3, 2));
         c.Brush().SetColor(clRed);
         c.FrameRect(Rect(15, 13, 1, 1));
       }},
      {"lines in every octant", true,
       [](TCanvas& c) {
         const int ends[][2] = {{15, 3}, {14, 15}, {3, 16}, {-2, 14}, {-1, 3}, {2, -2}, {12, -3}, {16, 0}, {8, 16}, {16, 8}};
         int i = 0;
         for (auto& e : ends) {
           c.Pen().SetColor(RGBColor(std::uint8_t(20 * i++), 0, 0));
           c.MoveTo(8, 8);
           c.LineTo(e[0], e[1]);
         }
       }},
      {"lines with ties", true,
       [](TCanvas& c) {
         const int ends[][2] = {{16, 12}, {12, 16}, {4, 16}, {0, 12}, {0, 4}, {4, 0}, {12, 0}, {16, 4}};
         int i = 0;
         for (auto& e : ends) {
           c.Pen().SetColor(RGBColor(0, std::uint8_t(30 * i++), 0));
           c.MoveTo(8, 8);
           c.LineTo(e[0], e[1]);
         }
       }},
      {"xor pen", true,
       [](TCanvas& c) {
         c.Pen().SetMode(pmXor);
         c.Pen().SetColor(clYellow);
         c.MoveTo(0, 0);
         c.LineTo(15, 12);
         c.MoveTo(0, 12);
         c.LineTo(15, 0);
       }},
      {"polygon alternate", true,
       [](TCanvas& c) {
         Pens(c, clBlack, clAqua);
         c.Polygon({{10, 1}, {16, 18}, {1, 7}, {19, 7}, {4, 18}});
       }},
      {"polygon winding", true,
       [](TCanvas& c) {
         Pens(c, clBlack, clAqua);
         c.SetPolyFillMode(fmWinding);
         c.Polygon({{10, 1}, {16, 18}, {1, 7}, {19, 7}, {4, 18}});
       }},
      {"polygon without pen", true,
       [](TCanvas& c) {
         c.Brush().SetColor(clPurple);
         c.Pen().SetStyle(psClear);
         c.Polygon({{2, 2}, {17, 5}, {9, 17}});
       }},
      {"hatches opaque", true,
       [](TCanvas& c) {
         c.SetBackgroundColor(clYellow);
         for (int s = bsHorizontal; s <= bsDiagCross; ++s) {
           c.Brush().SetStyle(static_cast<TBrushStyle>(s));
           c.Brush().SetColor(clNavy);
           int i = s - bsHorizontal, x = i % 2 * 10, y = i / 2 * 6;
           c.FillRect(Rect(x, y, x + 10, y + 6));
         }
       }},
      {"hatches transparent", true,
       [](TCanvas& c) {
         c.SetBackgroundMode(bkTransparent);
         for (int s = bsHorizontal; s <= bsDiagCross; ++s) {
           c.Brush().SetStyle(static_cast<TBrushStyle>(s));
           c.Brush().SetColor(clMaroon);
           int i = s - bsHorizontal, x = i % 2 * 10, y = i / 2 * 6;
           c.Rectangle(Rect(x, y + 1, x + 10, y + 8));
         }
       }},
      {"ellipse", false, [](TCanvas& c) { Pens(c, clRed, clLime); c.Ellipse(Rect(1, 2, 18, 13)); }},
      {"small ellipse", false, [](TCanvas& c) { Pens(c, clRed, clLime); c.Ellipse(Rect(3, 3, 8, 7)); }},
      {"round rectangle", false, [](TCanvas& c) { Pens(c, clBlue, clYellow); c.RoundRect(Rect(1, 1, 19, 15), 8, 6); }},
      {"stretched blits", true,
       [](TCanvas& c) {
         auto t = Tiles();
         c.StretchBitmap(Rect(0, 0, 13, 9), *t, Rect(0, 0, 5, 4), cmSrcCopy);
         c.StretchBitmap(Rect(14, 0, 17, 3), *t, Rect(0, 0, 5, 4), cmSrcCopy);
         c.StretchBitmap(Rect(0, 10, 5, 14), *t, Rect(0, 0, 5, 4), cmSrcInvert);
         c.StretchBitmap(Rect(6, 10, 11, 14), *t, Rect(0, 0, 5, 4), cmSrcAnd);
         c.StretchBitmap(Rect(12, 10, 17, 14), *t, Rect(0, 0, 5, 4), cmNotSrcCopy);
         c.StretchBitmap(Rect(0, 15, 5, 19), *t, Rect(0, 0, 5, 4), cmSrcPaint);
       }},
      {"masked blit", true,
       [](TCanvas& c) {
         c.Brush().SetColor(clGray);
         c.FillRect(Rect(0, 0, 20, 20));
         auto t = Tiles();
         auto mask = t->CreateMask(clLime);
         c.MaskBitmap(Rect(2, 2, 7, 6), *t, Rect(0, 0, 5, 4), *mask);
         c.MaskBitmap(Rect(8, 8, 18, 16), *t, Rect(0, 0, 5, 4), *mask);
       }},
      {"key colour blit", true,
       [](TCanvas& c) {
         c.Brush().SetColor(clFuchsia);
         c.FillRect(Rect(0, 0, 20, 20));
         auto t = Tiles();
         c.BrushCopy(Rect(1, 1, 6, 5), *t, Rect(0, 0, 5, 4), clLime);
         c.BrushCopy(Rect(3, 7, 18, 19), *t, Rect(0, 0, 5, 4), clLime);
       }},
  };
  return scripts;
}
