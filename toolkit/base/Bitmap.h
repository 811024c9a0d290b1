// The toolkit's bitmap: a device-independent pixel block with 1, 4, 8, 16
// (5-5-5), 24 or 32 bits per pixel, rows top-down, each row padded to 4
// bytes; 1, 4 and 8 bits per pixel index a palette. On Windows the block is
// a DIB section, so GDI drawing through Canvas() and ScanLine see the same
// pixels; elsewhere it is plain memory drawn on by the software canvas.
#pragma once

#include <cstdint>
#include <memory>

#include "toolkit/base/Graphics.h"

class TCanvas;

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

// The pixel block behind a bitmap (platform-specific; see BitmapStorage.h).
class TBitmapImage;

class TBitmap : public TGraphic {
public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  const char* ClassName() const override { return "TBitmap"; }

  // Stretches the bitmap into rect on the canvas; a transparent bitmap
  // leaves out the pixels of its TransparentColor.
  void Draw(TCanvas& canvas, const TRect& rect) override;
  bool GetEmpty() const override { return FWidth == 0 || FHeight == 0; }
  int GetWidth() const override { return FWidth; }
  int GetHeight() const override { return FHeight; }
  // Size changes keep the pixels of the part both sizes share; new pixels
  // are 0 (black, or palette entry 0).
  void SetWidth(int value) override { SetSize(value, FHeight); }
  void SetHeight(int value) override { SetSize(FWidth, value); }
  void SetSize(int width, int height);

  // Format changes convert the pixels: to fewer bits through the nearest
  // palette entry. A palette format without a palette gets the standard
  // one (black/white for 1 bit, the 16 basic colours for 4 bits, a 6x6x6
  // cube and greys for 8 bits). pfDevice means 24 bits.
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat f);
  int BitsPerPixel() const;
  int RowBytes() const;
  // Row y (0 = top); raises EInvalidGraphic "List index out of bounds (y)"
  // outside 0..Height-1.
  std::uint8_t* ScanLine(int y);
  const std::uint8_t* ScanLine(int y) const;

  // A 1-bit bitmap with the palette black, white.
  bool Monochrome() const;
  void SetMonochrome(bool v);

  TPaletteHandle GetPalette() override { return FPalette; }
  TPaletteHandle Palette() const { return FPalette; }
  // Replaces the colour table; the indices stay as they are.
  void SetPalette(TPaletteHandle p) override;

  // The colour a transparent bitmap leaves out: with tmAuto the colour of
  // the bottom-left pixel, with tmFixed the value set.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor c);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode m);

  // Pixel colour as RGB (palette formats through the palette) and back
  // (to the nearest palette entry).
  TColor PixelColor(int x, int y) const;
  void SetPixelColor(int x, int y, TColor c);
  // The nearest palette entry to an RGB colour (first of equals).
  int NearestIndex(TColor rgb) const;

  // A monochrome mask of this bitmap's size: 1 where the pixel has colour
  // `color`, 0 elsewhere.
  std::unique_ptr<TBitmap> CreateMask(TColor color) const;

  // The canvas that draws on this bitmap (GDI on Windows, software
  // elsewhere). It stays valid across size and format changes.
  TCanvas& Canvas();
  // The platform handle of the pixel block (HBITMAP on Windows), 0 if none.
  std::uintptr_t Handle() const;

  void Assign(const TPersistent* source) override;
  // The BMP file form: file header, info header (40 bytes), colour table,
  // rows bottom-up. LoadFromStream reads BI_RGB at every bit depth above,
  // top-down or bottom-up, and BI_BITFIELDS with the standard masks; it
  // raises EInvalidGraphic "Invalid stream format" for anything else and
  // for a stream shorter than the image it announces.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // The form in stored descriptions: width and height (4 bytes each,
  // little-endian), bits per pixel (1 byte), palette count (2 bytes), the
  // palette entries (red, green, blue, flags), then the rows top-down.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;
  void LoadFromClipboardFormat(TClipboardFormat format, THandle data,
                               TPaletteHandle palette) override;
  void SaveToClipboardFormat(TClipboardFormat& format, THandle& data,
                             TPaletteHandle& palette) override;

private:
  // Makes a new block for the current size, format and palette and copies
  // the overlapping pixels of `old` into it when given.
  void Reallocate(int width, int height, TPixelFormat format, TPaletteHandle palette);
  void SurfaceChanging();
  int FWidth = 0, FHeight = 0;
  TPixelFormat FPixelFormat = pf24bit;
  TPaletteHandle FPalette;
  std::unique_ptr<TBitmapImage> FImage;
  std::unique_ptr<TCanvas> FCanvas;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
};

// The standard palette for a bit depth (see SetPixelFormat).
TPaletteHandle StandardPalette(int bitsPerPixel);
