#include "toolkit/base/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "toolkit/base/BitmapStorage.h"
#include "toolkit/base/Canvas.h"

namespace {

int FormatBits(TPixelFormat f) {
  switch (f) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf32bit: return 32;
    default: return 24;
  }
}

int RowBytesFor(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

TPaletteHandle MakePalette(std::initializer_list<TColor> colors) {
  auto p = std::make_shared<TPaletteData>();
  for (TColor c : colors) p->Entries.push_back({RedOf(c), GreenOf(c), BlueOf(c), 0});
  return p;
}

TColor EntryColor(const TPaletteEntry& e) { return RGBColor(e.Red, e.Green, e.Blue); }

}  // namespace

// Raw pixel value at x of a row.
std::uint32_t GetPixelRaw(const std::uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: return static_cast<std::uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
    case 24: return static_cast<std::uint32_t>(row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16));
    default: {
      const std::uint8_t* p = row + 4 * x;
      return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (std::uint32_t(p[3]) << 24);
    }
  }
}

void PutPixelRaw(std::uint8_t* row, int x, int bits, std::uint32_t v) {
  switch (bits) {
    case 1: {
      std::uint8_t m = static_cast<std::uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<std::uint8_t>((v & 1) ? row[x >> 3] | m : row[x >> 3] & ~m);
      break;
    }
    case 4: {
      int shift = (x & 1) ? 0 : 4;
      row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & ~(0xF << shift)) | ((v & 0xF) << shift));
      break;
    }
    case 8: row[x] = static_cast<std::uint8_t>(v); break;
    case 16:
      row[2 * x] = static_cast<std::uint8_t>(v);
      row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
      break;
    case 24:
      for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<std::uint8_t>(v >> (8 * i));
      break;
    default:
      for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
}

namespace {

// Direct formats: raw value <-> RGB colour. 5-5-5 expands each component
// by repeating its top bits.
TColor DirectColor(std::uint32_t raw, int bits) {
  if (bits == 16) {
    auto expand = [](std::uint32_t c5) { return static_cast<std::uint8_t>((c5 << 3) | (c5 >> 2)); };
    return RGBColor(expand((raw >> 10) & 31), expand((raw >> 5) & 31), expand(raw & 31));
  }
  return RGBColor(static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 8),
                  static_cast<std::uint8_t>(raw));
}

std::uint32_t DirectRaw(TColor rgb, int bits) {
  std::uint32_t r = RedOf(rgb), g = GreenOf(rgb), b = BlueOf(rgb);
  if (bits == 16) return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
  return (r << 16) | (g << 8) | b;
}

}  // namespace

std::uint32_t EncodeColor(const TBitmap& b, TColor color) {
  TColor rgb = ColorToRGB(color);
  int bits = b.BitsPerPixel();
  return bits > 8 ? DirectRaw(rgb, bits) : static_cast<std::uint32_t>(b.NearestIndex(rgb));
}

TColor DecodeRaw(const TBitmap& b, std::uint32_t raw) {
  int bits = b.BitsPerPixel();
  if (bits > 8) return DirectColor(raw, bits);
  TPaletteHandle p = b.Palette();
  if (!p || raw >= p->Entries.size()) return clBlack;
  return EntryColor(p->Entries[raw]);
}

TPaletteHandle StandardPalette(int bits) {
  static const TPaletteHandle mono = MakePalette({clBlack, clWhite});
  static const TPaletteHandle basic =
      MakePalette({clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clSilver, clGray, clRed,
                   clLime, clYellow, clBlue, clFuchsia, clAqua, clWhite});
  static const TPaletteHandle cube = [] {
    auto p = std::make_shared<TPaletteData>();
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          p->Entries.push_back({std::uint8_t(r * 51), std::uint8_t(g * 51), std::uint8_t(b * 51), 0});
    for (int i = 0; i < 40; ++i) {
      std::uint8_t v = static_cast<std::uint8_t>(i * 255 / 39);
      p->Entries.push_back({v, v, v, 0});
    }
    return TPaletteHandle(p);
  }();
  return bits == 1 ? mono : bits == 4 ? basic : bits == 8 ? cube : TPaletteHandle();
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  FCanvas.reset();
  FImage.reset();
}

int TBitmap::BitsPerPixel() const { return FormatBits(FPixelFormat); }

int TBitmap::RowBytes() const { return RowBytesFor(FWidth, BitsPerPixel()); }

void TBitmap::SurfaceChanging() {
  if (FCanvas) FCanvas->SurfaceChanging();
}

void TBitmap::Reallocate(int width, int height, TPixelFormat format, TPaletteHandle palette) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (format == pfDevice) format = pf24bit;
  int bits = FormatBits(format);
  if (bits <= 8 && (!palette || palette->Entries.empty())) palette = StandardPalette(bits);
  if (bits > 8) palette = FPalette;  // a direct format keeps the palette it was given
  std::unique_ptr<TBitmapImage> image;
  if (width > 0 && height > 0) image = CreateBitmapImage(width, height, bits, bits <= 8 ? palette.get() : nullptr);
  TBitmap old;
  old.FWidth = FWidth;
  old.FHeight = FHeight;
  old.FPixelFormat = FPixelFormat;
  old.FPalette = FPalette;
  SurfaceChanging();
  old.FImage = std::move(FImage);
  FImage = std::move(image);
  FWidth = width;
  FHeight = height;
  FPixelFormat = format;
  FPalette = palette;
  int w = std::min(width, old.FWidth), h = std::min(height, old.FHeight);
  if (w <= 0 || h <= 0) return;
  bool sameRaw = FormatBits(old.FPixelFormat) == bits && (bits > 8 || old.FPalette == FPalette);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* from = old.ScanLine(y);
    std::uint8_t* to = ScanLine(y);
    if (sameRaw) {
      for (int x = 0; x < w; ++x) PutPixelRaw(to, x, bits, GetPixelRaw(from, x, bits));
    } else {
      for (int x = 0; x < w; ++x) SetPixelColor(x, y, old.PixelColor(x, y));
    }
  }
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  Reallocate(width, height, FPixelFormat, FPalette);
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat f) {
  if (f == pfDevice) f = pf24bit;
  if (f == FPixelFormat) return;
  bool keepPalette = FPalette && FormatBits(f) <= 8 &&
                     FPalette->Entries.size() <= (std::size_t(1) << FormatBits(f));
  Reallocate(FWidth, FHeight, f, keepPalette ? FPalette : TPaletteHandle());
  Changed(this);
}

bool TBitmap::Monochrome() const {
  if (FPixelFormat != pf1bit || !FPalette || FPalette->Entries.size() != 2) return false;
  return EntryColor(FPalette->Entries[0]) == clBlack && EntryColor(FPalette->Entries[1]) == clWhite;
}

void TBitmap::SetMonochrome(bool v) {
  if (v == Monochrome()) return;
  if (v) {
    Reallocate(FWidth, FHeight, pf1bit, StandardPalette(1));
  } else {
    Reallocate(FWidth, FHeight, pf24bit, {});
  }
  Changed(this);
}

void TBitmap::SetPalette(TPaletteHandle p) {
  FPalette = std::move(p);
  if (FImage && BitsPerPixel() <= 8) {
    if (!FPalette || FPalette->Entries.empty()) FPalette = StandardPalette(BitsPerPixel());
    // A DIB section held by the canvas's device context cannot be selected
    // elsewhere to take its new colour table: the canvas lets it go first.
    SurfaceChanging();
    FImage->SetColorTable(*FPalette);
  }
  Changed(this);
}

std::uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= FHeight || !FImage) throw EInvalidGraphic(FormatMessage1(SListIndexError, std::to_string(y)));
  return FImage->Bits() + static_cast<std::size_t>(y) * static_cast<std::size_t>(RowBytes());
}

const std::uint8_t* TBitmap::ScanLine(int y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

TColor TBitmap::PixelColor(int x, int y) const {
  int bits = BitsPerPixel();
  std::uint32_t raw = GetPixelRaw(ScanLine(y), x, bits);
  if (bits > 8) return DirectColor(raw, bits);
  if (!FPalette || raw >= FPalette->Entries.size()) return clBlack;
  return EntryColor(FPalette->Entries[raw]);
}

int TBitmap::NearestIndex(TColor rgb) const {
  if (!FPalette) return 0;
  int best = 0;
  long bestDistance = -1;
  for (std::size_t i = 0; i < FPalette->Entries.size(); ++i) {
    const TPaletteEntry& e = FPalette->Entries[i];
    long dr = e.Red - RedOf(rgb), dg = e.Green - GreenOf(rgb), db = e.Blue - BlueOf(rgb);
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = d;
    }
  }
  return best;
}

void TBitmap::SetPixelColor(int x, int y, TColor c) {
  int bits = BitsPerPixel();
  TColor rgb = ColorToRGB(c);
  std::uint32_t raw = bits > 8 ? DirectRaw(rgb, bits) : static_cast<std::uint32_t>(NearestIndex(rgb));
  PutPixelRaw(ScanLine(y), x, bits, raw);
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (GetEmpty()) return clDefault;
  return PixelColor(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor c) {
  FTransparentColor = c;
  FTransparentMode = c == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode m) {
  if (m == FTransparentMode) return;
  if (m == tmAuto) FTransparentColor = clDefault;
  else if (FTransparentColor == clDefault) FTransparentColor = TransparentColor();
  FTransparentMode = m;
  Changed(this);
}

std::unique_ptr<TBitmap> TBitmap::CreateMask(TColor color) const {
  auto mask = std::make_unique<TBitmap>();
  mask->SetPixelFormat(pf1bit);
  mask->SetSize(FWidth, FHeight);
  TColor key = ColorToRGB(color);
  for (int y = 0; y < FHeight; ++y) {
    std::uint8_t* row = mask->ScanLine(y);
    for (int x = 0; x < FWidth; ++x) PutPixelRaw(row, x, 1, PixelColor(x, y) == key ? 1 : 0);
  }
  return mask;
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) FCanvas = CreateBitmapCanvas(*this);
  return *FCanvas;
}

std::uintptr_t TBitmap::Handle() const { return FImage ? FImage->Handle() : 0; }

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
  if (GetEmpty()) return;
  TRect source = Rect(0, 0, FWidth, FHeight);
  if (Transparent())
    canvas.BrushCopy(rect, *this, source, TransparentColor());
  else
    canvas.StretchBitmap(rect, *this, source, canvas.CopyMode());
}

void TBitmap::Assign(const TPersistent* source) {
  auto* b = dynamic_cast<const TBitmap*>(source);
  if (!b) return TGraphic::Assign(source);
  if (b == this) return;
  Reallocate(0, 0, b->FPixelFormat, b->FPalette);
  Reallocate(b->FWidth, b->FHeight, b->FPixelFormat, b->FPalette);
  for (int y = 0; y < FHeight; ++y) std::memcpy(ScanLine(y), b->ScanLine(y), static_cast<std::size_t>(RowBytes()));
  FTransparentColor = b->FTransparentColor;
  FTransparentMode = b->FTransparentMode;
  SetTransparent(b->Transparent());
  Changed(this);
}

// --- stored form ----------------------------------------------------------------

void TBitmap::WriteData(TStream& s) {
  auto put32 = [&](std::uint32_t v) {
    std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    s.WriteBuffer(b, 4);
  };
  put32(static_cast<std::uint32_t>(FWidth));
  put32(static_cast<std::uint32_t>(FHeight));
  std::uint8_t bpp = static_cast<std::uint8_t>(BitsPerPixel());
  s.WriteBuffer(&bpp, 1);
  std::uint16_t n = FPalette && bpp <= 8 ? static_cast<std::uint16_t>(FPalette->Entries.size()) : 0;
  std::uint8_t nb[2] = {std::uint8_t(n), std::uint8_t(n >> 8)};
  s.WriteBuffer(nb, 2);
  for (std::uint16_t i = 0; i < n; ++i) {
    const TPaletteEntry& e = FPalette->Entries[i];
    std::uint8_t b[4] = {e.Red, e.Green, e.Blue, e.Flags};
    s.WriteBuffer(b, 4);
  }
  for (int y = 0; y < FHeight; ++y) s.WriteBuffer(ScanLine(y), static_cast<std::size_t>(RowBytes()));
}

void TBitmap::ReadData(TStream& s) {
  std::uint8_t h[11];
  s.ReadBuffer(h, sizeof h);
  auto get32 = [&](int at) {
    return static_cast<std::uint32_t>(h[at] | (h[at + 1] << 8) | (h[at + 2] << 16)) |
           (static_cast<std::uint32_t>(h[at + 3]) << 24);
  };
  std::uint32_t w = get32(0), hh = get32(4);
  if (w > 65535 || hh > 65535) throw EInvalidGraphic(SInvalidImage);
  TPixelFormat f;
  switch (h[8]) {
    case 1: f = pf1bit; break;
    case 4: f = pf4bit; break;
    case 8: f = pf8bit; break;
    case 16: f = pf16bit; break;
    case 24: f = pf24bit; break;
    case 32: f = pf32bit; break;
    default: throw EInvalidGraphic(SInvalidImage);
  }
  std::size_t count = static_cast<std::size_t>(h[9] | (h[10] << 8));
  if (count > 256) throw EInvalidGraphic(SInvalidImage);
  auto pal = std::make_shared<TPaletteData>();
  pal->Entries.resize(count);
  for (auto& e : pal->Entries) {
    std::uint8_t b[4];
    s.ReadBuffer(b, 4);
    e = TPaletteEntry{b[0], b[1], b[2], b[3]};
  }
  std::size_t rowBytes = static_cast<std::size_t>(RowBytesFor(static_cast<int>(w), FormatBits(f)));
  if (s.Size() - s.Position() < static_cast<std::int64_t>(rowBytes * hh)) throw EReadError(SReadError);
  Reallocate(0, 0, f, {});
  Reallocate(static_cast<int>(w), static_cast<int>(hh), f, pal->Entries.empty() ? TPaletteHandle() : TPaletteHandle(pal));
  for (int y = 0; y < FHeight; ++y) s.ReadBuffer(ScanLine(y), rowBytes);
  Changed(this);
}

// --- clipboard --------------------------------------------------------------------

void TBitmap::LoadFromClipboardFormat(TClipboardFormat format, THandle data, TPaletteHandle) {
  if (format != CF_BITMAP_FORMAT) throw EInvalidGraphic(SUnknownClipboardFormat);
  std::vector<std::uint8_t> bytes;
  if (data) {
    bytes = BitmapClipboardBytes(data);
  } else if (ClipboardOpen()) {
    bytes = BitmapClipboardBytes(ClipboardGetData(format));
    ClipboardClose();
  }
  if (bytes.empty()) throw EInvalidGraphic(SUnknownClipboardFormat);
  TReadOnlyMemoryStream s(bytes.data(), bytes.size());
  LoadFromStream(s);
}

void TBitmap::SaveToClipboardFormat(TClipboardFormat& format, THandle& data, TPaletteHandle& palette) {
  TMemoryStream s;
  SaveToStream(s);
  const auto* p = static_cast<const std::uint8_t*>(s.Memory());
  format = CF_BITMAP_FORMAT;
  data = BitmapClipboardData(std::vector<std::uint8_t>(p, p + s.Size()));
  palette = FPalette;
}
