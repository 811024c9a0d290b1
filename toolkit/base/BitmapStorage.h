// The platform half of TBitmap: where its pixels live and which canvas draws
// on them. BitmapPortable.cpp keeps them in memory for the software canvas;
// win32/BitmapDib.cpp makes a DIB section and a GDI canvas.
#pragma once

#include <cstdint>
#include <memory>

#include "toolkit/base/Graphics.h"

class TBitmap;
class TCanvas;

class TBitmapImage {
public:
  virtual ~TBitmapImage() = default;
  // Rows top-down, RowBytes apart. Any drawing still queued for the block
  // is finished before Bits returns.
  virtual std::uint8_t* Bits() = 0;
  virtual std::uintptr_t Handle() const { return 0; }
  // The colour table of 1, 4 and 8 bit blocks.
  virtual void SetColorTable(const TPaletteData&) {}
};

// A zero-filled block; raises EOutOfMemory when it cannot be made.
std::unique_ptr<TBitmapImage> CreateBitmapImage(int width, int height, int bitsPerPixel,
                                                const TPaletteData* palette);
// The canvas TBitmap::Canvas gives.
std::unique_ptr<TCanvas> CreateBitmapCanvas(TBitmap& bitmap);

// Raw pixel values (a palette index, or the value of a direct format:
// 0xRRGGBB for 24 and 32 bits, 5-5-5 for 16) at x of a row of `bits` bits.
std::uint32_t GetPixelRaw(const std::uint8_t* row, int x, int bits);
void PutPixelRaw(std::uint8_t* row, int x, int bits, std::uint32_t value);
// A colour as the raw value of the bitmap's format (nearest palette entry
// for palette formats) and back.
std::uint32_t EncodeColor(const TBitmap& bitmap, TColor color);
TColor DecodeRaw(const TBitmap& bitmap, std::uint32_t raw);
