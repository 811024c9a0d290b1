// The software canvas: draws on a TBitmap through its rows, in any pixel
// format, by the same rules as the platform's GDI (see Canvas.h), so native
// tests see the pixels the programs show. Text uses a small built-in bitmap
// font whatever the Font says, with lines 12 pixels high; where text goes
// and in which colour follows Font.Color, BackgroundMode and DrawText's
// flags exactly.
#pragma once

#include "toolkit/base/Canvas.h"

class TSoftCanvas : public TCanvas {
public:
  explicit TSoftCanvas(TBitmap& target) : FTarget(target) {}
  const char* ClassName() const override { return "TSoftCanvas"; }
  TBitmap& Target() { return FTarget; }

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

  static constexpr int LineHeight = 12;

private:
  struct Surface;
  // Device pixel (after the origin), within the surface and the clip.
  bool Visible(int x, int y) const;
  void Plot(Surface& s, int x, int y, std::uint32_t raw, int rop2);
  void PenPixel(Surface& s, int x, int y);
  void BrushSpan(Surface& s, int y, int x0, int x1, int rop2);
  // A closed shape given by whether each pixel of `box` is inside: the
  // brush fills it, the pen draws its edge pixels.
  template <class Inside>
  void Shape(const TRect& box, Inside inside);
  void DrawLine(Surface& s, TPoint from, TPoint to);
  void DrawString(const TRect* clip, int x, int y, const std::string& text, int underline);
  TBitmap& FTarget;
  bool FClipped = false;
  TRect FClip;
  TPoint FOrigin;
};
