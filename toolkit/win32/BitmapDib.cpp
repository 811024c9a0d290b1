// Bitmaps on Windows: a DIB section, so GDI drawing and ScanLine share the
// pixels, and a GDI canvas on a memory device context that holds it.
#include <windows.h>

#include "toolkit/base/BitmapStorage.h"
#include "toolkit/win32/GdiCanvas.h"

namespace {

class TDibImage : public TBitmapImage {
public:
  TDibImage(int width, int height, int bits, const TPaletteData* palette) {
    TDibHeader info(width, height, bits, palette);
    FHandle = CreateDIBSection(nullptr, info.Get(), DIB_RGB_COLORS, &FBits, nullptr, 0);
    if (!FHandle || !FBits) throw EOutOfMemory("Out of memory");
  }
  ~TDibImage() override { DeleteObject(FHandle); }
  std::uint8_t* Bits() override {
    GdiFlush();
    return static_cast<std::uint8_t*>(FBits);
  }
  std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(FHandle); }
  void SetColorTable(const TPaletteData& palette) override {
    RGBQUAD colors[256];
    UINT n = static_cast<UINT>(std::min<std::size_t>(palette.Entries.size(), 256));
    for (UINT i = 0; i < n; ++i)
      colors[i] = RGBQUAD{palette.Entries[i].Blue, palette.Entries[i].Green, palette.Entries[i].Red, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FHandle);
    SetDIBColorTable(dc, 0, n, colors);
    SelectObject(dc, old);
    DeleteDC(dc);
  }

private:
  HBITMAP FHandle = nullptr;
  void* FBits = nullptr;
};

// A canvas on a memory device context that selects the bitmap's current
// DIB section before each use.
class TGdiBitmapCanvas : public TGdiCanvas {
public:
  explicit TGdiBitmapCanvas(TBitmap& bitmap, HDC dc) : TGdiCanvas(dc), FBitmap(bitmap), FMemoryDC(dc) {}
  ~TGdiBitmapCanvas() override {
    SurfaceChanging();
    ReleasePalette();
    DeleteDC(FMemoryDC);
  }
  void SurfaceChanging() override {
    if (FSelected) SelectObject(FMemoryDC, FOld);
    FSelected = nullptr;
  }

protected:
  HDC DC() const override {
    auto handle = reinterpret_cast<HBITMAP>(FBitmap.Handle());
    if (handle != FSelected) {
      HGDIOBJ old = SelectObject(FMemoryDC, handle);
      if (!FSelected) FOld = old;
      FSelected = handle;
    }
    return FMemoryDC;
  }

private:
  TBitmap& FBitmap;
  HDC FMemoryDC;
  mutable HBITMAP FSelected = nullptr;
  mutable HGDIOBJ FOld = nullptr;
};

}  // namespace

std::unique_ptr<TBitmapImage> CreateBitmapImage(int width, int height, int bitsPerPixel, const TPaletteData* palette) {
  return std::make_unique<TDibImage>(width, height, bitsPerPixel, palette);
}

std::unique_ptr<TCanvas> CreateBitmapCanvas(TBitmap& bitmap) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) throw EOutOfMemory("Out of memory");
  return std::make_unique<TGdiBitmapCanvas>(bitmap, dc);
}
