// The GDI back end of TCanvas: draws on a device context with the canvas's
// pen, brush, font and modes selected for each operation, so the canvas
// keeps no GDI objects between calls (except a selected palette).
#pragma once

#include <windows.h>

#include "toolkit/base/Canvas.h"

#undef TextOut
#undef DrawText

class TGdiCanvas : public TCanvas {
public:
  explicit TGdiCanvas(HDC dc) : FDC(dc) {}
  ~TGdiCanvas() override;
  const char* ClassName() const override { return "TGdiCanvas"; }
  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(DC()); }

  void SetClip(const TRect& bounds, TPoint origin) override;
  void ClearClip() override;
  TColor GetPixel(int x, int y) override;
  void SetPixel(int x, int y, TColor color) override;
  void LineTo(int x, int y) override;
  using TCanvas::Rectangle;
  void Rectangle(const TRect& r) override;
  void Ellipse(const TRect& r) override;
  void RoundRect(const TRect& r, int cx, int cy) override;
  void Polygon(const std::vector<TPoint>& points) override;
  void FillRect(const TRect& r) override;
  void FrameRect(const TRect& r) override;
  void StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode) override;
  void MaskBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, const TBitmap& mask) override;
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) override;
  void TextOut(int x, int y, const std::string& text) override;
  void TextRect(const TRect& r, int x, int y, const std::string& text) override;
  int DrawText(const std::string& text, TRect& r, unsigned flags) override;
  TPoint TextExtent(const std::string& text) override;
  void SelectPalette(TPaletteHandle palette, bool background) override;
  int RealizePalette() override;

protected:
  // The device context to draw on (a bitmap canvas selects its bitmap first).
  virtual HDC DC() const { return FDC; }
  // Puts back the palette the device context had and frees the selected
  // one; a canvas that deletes its device context calls it first.
  void ReleasePalette();

private:
  class Selection;
  HDC FDC;
  int FClipDepth = 0;
  HPALETTE FPalette = nullptr, FOldPalette = nullptr;
};

// A top-down BITMAPINFO with up to 256 colours (those of `palette` when
// given), for DIB sections and StretchDIBits.
struct TDibHeader {
  BITMAPINFOHEADER Header{};
  RGBQUAD Colors[256]{};
  TDibHeader(int width, int height, int bitsPerPixel, const TPaletteData* palette);
  BITMAPINFO* Get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

// A GDI font for a TFont; the caller deletes it.
HFONT CreateFontFor(const TFont& font);

// A GDI brush for a TBrush (hatches included); a null brush for bsClear.
// The caller deletes it.
HBRUSH CreateBrushFor(TBrush& brush);
