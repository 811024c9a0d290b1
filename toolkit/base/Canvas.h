// The drawing surface every component paints on. Two back ends implement it:
// TSoftCanvas (SoftCanvas.h: portable, on a TBitmap, every pixel defined;
// used by tests, previews and PNG output) and TGdiCanvas (toolkit/win32:
// a device context). Code written against TCanvas alone runs on both.
//
// Geometry follows the platform's rules: rectangles include their left and
// top edges and leave out the right and bottom ones; a rectangle given with
// its corners swapped is drawn as the normalised one; LineTo leaves out its
// end point. Colours may be system colours; they are resolved when drawn.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/base/Bitmap.h"
#include "toolkit/base/Graphics.h"
#include "toolkit/base/GraphicsObjects.h"

// <windows.h> makes TextOut and DrawText macros for its A/W functions;
// here they are the canvas's own names, in whatever order the headers
// come (toolkit/win32/GdiCanvas.h undoes them again after <windows.h>).
#undef TextOut
#undef DrawText

// DrawText flags, with the platform's values (and spelling, so a file that
// also includes <windows.h> sees the same definitions).
#ifndef DT_TOP
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#endif

// Raster operations of blits, with the platform's values.
using TCopyMode = std::uint32_t;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

enum TFillMode { fmAlternate, fmWinding };
// Whether text cells and the gaps of hatches and dashes are filled with
// BackgroundColor first.
enum TBackgroundMode { bkOpaque, bkTransparent };

class TCanvas : public TObject {
public:
  TCanvas();
  ~TCanvas() override;
  const char* ClassName() const override { return "TCanvas"; }

  // The platform handle (HDC on Windows), 0 for the software canvas.
  virtual std::uintptr_t Handle() const { return 0; }

  TPen& Pen() { return FPen; }
  TBrush& Brush() { return FBrush; }
  TFont& Font() { return FFont; }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode m) { FCopyMode = m; }
  TFillMode PolyFillMode() const { return FPolyFillMode; }
  void SetPolyFillMode(TFillMode m) { FPolyFillMode = m; }
  TBackgroundMode BackgroundMode() const { return FBackgroundMode; }
  void SetBackgroundMode(TBackgroundMode m) { FBackgroundMode = m; }
  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor c) { FBackgroundColor = c; }
  TPoint PenPos() const { return FPenPos; }

  // Clipping and origin, for a control that paints in its own coordinates:
  // after SetClip(bounds, origin) (0, 0) is `origin` of the surface and
  // nothing outside `bounds` (surface coordinates) is touched.
  // ClearClip undoes it.
  virtual void SetClip(const TRect& bounds, TPoint origin) = 0;
  virtual void ClearClip() = 0;

  virtual TColor GetPixel(int x, int y) = 0;  // RGB; clNone outside the surface
  virtual void SetPixel(int x, int y, TColor color) = 0;

  void MoveTo(int x, int y) { FPenPos = TPoint{x, y}; }
  // A line with the pen from PenPos up to, not including, (x, y).
  virtual void LineTo(int x, int y) = 0;
  // Lines through the points; the last point is not drawn.
  void Polyline(const std::vector<TPoint>& points);

  // Outline with the pen, inside filled with the brush.
  virtual void Rectangle(const TRect& r) = 0;
  void Rectangle(int x1, int y1, int x2, int y2) { Rectangle(Rect(x1, y1, x2, y2)); }
  virtual void Ellipse(const TRect& r) = 0;
  // Corners are quarter ellipses of width cx and height cy.
  virtual void RoundRect(const TRect& r, int cx, int cy) = 0;
  // Filled by PolyFillMode, then outlined (closed) with the pen.
  virtual void Polygon(const std::vector<TPoint>& points) = 0;
  // The brush alone: the whole rectangle, or its one-pixel frame.
  virtual void FillRect(const TRect& r) = 0;
  virtual void FrameRect(const TRect& r) = 0;

  // Blits. The source rectangle of `source` is stretched onto dest
  // (nearest pixel, no smoothing); negative widths or heights mirror.
  virtual void StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect,
                             TCopyMode mode) = 0;
  // Copies where the mask (monochrome, source coordinates) is 0 and keeps
  // the destination where it is 1.
  virtual void MaskBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect,
                          const TBitmap& mask) = 0;
  // Copies all but the pixels of colour `key`, which show the destination.
  void BrushCopy(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TColor key);
  // A rectangle of another canvas of the same kind, with CopyMode.
  virtual void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) = 0;
  void Draw(int x, int y, TGraphic& graphic);
  void StretchDraw(const TRect& dest, TGraphic& graphic);

  // Text with Font, in its colour; the cell behind it filled with
  // BackgroundColor unless BackgroundMode is bkTransparent.
  virtual void TextOut(int x, int y, const std::string& text) = 0;
  // TextOut clipped to r.
  virtual void TextRect(const TRect& r, int x, int y, const std::string& text) = 0;
  // Lays out text in r by the DT_ flags: lines split at line breaks (unless
  // DT_SINGLELINE) and, with DT_WORDBREAK, between words that do not fit;
  // '&' marks the next character unless DT_NOPREFIX ("&&" is one '&').
  // With DT_CALCRECT nothing is drawn and r's right and bottom are set to
  // what the text needs. Returns the distance from r's top to the bottom of
  // the text: its height, unless DT_SINGLELINE with DT_BOTTOM or DT_VCENTER
  // moves it down (DT_CALCRECT's bottom then lies there too).
  virtual int DrawText(const std::string& text, TRect& r, unsigned flags) = 0;
  virtual TPoint TextExtent(const std::string& text) = 0;  // X = width, Y = height
  int TextWidth(const std::string& text) { return TextExtent(text).X; }
  int TextHeight(const std::string& text) { return TextExtent(text).Y; }

  // Palette selection and realisation (GDI only; the software canvas works
  // in RGB and ignores it).
  virtual void SelectPalette(TPaletteHandle, bool /*background*/) {}
  virtual int RealizePalette() { return 0; }

  // The bitmap under this canvas is about to get a new pixel block.
  virtual void SurfaceChanging() {}

  // The flat-button frame: top and left in `topLeft`, bottom and right in
  // `bottomRight`, one pixel wide, inside r.
  void Frame3D(const TRect& r, TColor topLeft, TColor bottomRight);

protected:
  TPoint FPenPos;

private:
  TPen FPen;
  TBrush FBrush;
  TFont FFont;
  TCopyMode FCopyMode = cmSrcCopy;
  TFillMode FPolyFillMode = fmAlternate;
  TBackgroundMode FBackgroundMode = bkOpaque;
  TColor FBackgroundColor = clWhite;
};

// A rectangle with its corners in order.
TRect NormalizeRect(const TRect& r);

// One line of DrawText's layout: the characters shown and where they go,
// relative to the layout rectangle; `underline` is the index of the
// character marked with '&', or -1.
struct TTextLine {
  std::string Text;
  int X = 0, Y = 0, Width = 0;
  int Underline = -1;
};

// DrawText's layout on a font of fixed line height whose string widths
// `measure` gives: the lines with their places, and the rectangle the text
// needs (what DT_CALCRECT returns).
std::vector<TTextLine> LayoutText(const std::string& text, const TRect& r, unsigned flags, int lineHeight,
                                  const std::function<int(const std::string&)>& measure, TRect& needed);
