#include "toolkit/win32/GdiCanvas.h"

#include <algorithm>

#include "toolkit/base/BitmapStorage.h"

HFONT CreateFontFor(const TFont& font) {
  TFontStyles s = font.Style();
  return CreateFontA(font.Height(), 0, 0, 0, s.Contains(fsBold) ? FW_BOLD : FW_NORMAL, s.Contains(fsItalic),
                     s.Contains(fsUnderline), s.Contains(fsStrikeOut), font.Charset(), OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, font.Name().c_str());
}

namespace {

COLORREF ToColorRef(TColor c) { return static_cast<COLORREF>(ColorToRGB(c) & 0xFFFFFF); }

HPEN CreatePenFor(TPen& pen) {
  static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
  return CreatePen(styles[pen.Style()], pen.Width(), ToColorRef(pen.Color()));
}

void StretchDib(HDC dc, const TRect& dest, const TBitmap& source, const TRect& from, DWORD rop) {
  if (source.GetEmpty()) return;
  TPaletteHandle palette = source.Palette();
  TDibHeader info(source.GetWidth(), source.GetHeight(), source.BitsPerPixel(),
                  source.BitsPerPixel() <= 8 ? palette.get() : nullptr);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), from.Left, from.Top, from.Width(),
                from.Height(), source.ScanLine(0), info.Get(), DIB_RGB_COLORS, rop);
}

}  // namespace

TDibHeader::TDibHeader(int width, int height, int bits, const TPaletteData* palette) {
  Header.biSize = sizeof Header;
  Header.biWidth = width;
  Header.biHeight = -height;  // rows top-down
  Header.biPlanes = 1;
  Header.biBitCount = static_cast<WORD>(bits);
  Header.biCompression = BI_RGB;
  if (palette) {
    std::size_t n = std::min<std::size_t>(palette->Entries.size(), 256);
    for (std::size_t i = 0; i < n; ++i)
      Colors[i] = RGBQUAD{palette->Entries[i].Blue, palette->Entries[i].Green, palette->Entries[i].Red, 0};
    Header.biClrUsed = static_cast<DWORD>(n);
  }
}

HBRUSH CreateBrushFor(TBrush& brush) {
  switch (brush.Style()) {
    case bsSolid: return CreateSolidBrush(ToColorRef(brush.Color()));
    case bsClear: return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    default: return CreateHatchBrush(brush.Style() - bsHorizontal, ToColorRef(brush.Color()));
  }
}

// The canvas's pen, brush, font and modes selected into the device context
// for the length of one operation.
class TGdiCanvas::Selection {
public:
  explicit Selection(TGdiCanvas& c) : FDC(c.DC()) {
    FPen = CreatePenFor(c.Pen());
    FBrush = CreateBrushFor(c.Brush());
    FFont = CreateFontFor(c.Font());
    FOldPen = SelectObject(FDC, FPen);
    FOldBrush = SelectObject(FDC, FBrush);
    FOldFont = SelectObject(FDC, FFont);
    ::SetROP2(FDC, c.Pen().Mode());
    ::SetPolyFillMode(FDC, c.PolyFillMode() == fmWinding ? WINDING : ALTERNATE);
    ::SetBkMode(FDC, c.BackgroundMode() == bkOpaque ? OPAQUE : TRANSPARENT);
    ::SetBkColor(FDC, ToColorRef(c.BackgroundColor()));
    ::SetTextColor(FDC, ToColorRef(c.Font().Color()));
    SetBrushOrgEx(FDC, 0, 0, nullptr);
  }
  ~Selection() {
    SelectObject(FDC, FOldPen);
    SelectObject(FDC, FOldBrush);
    SelectObject(FDC, FOldFont);
    DeleteObject(FPen);
    DeleteObject(FBrush);
    DeleteObject(FFont);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  HDC DC() const { return FDC; }
  HBRUSH Brush() const { return FBrush; }

private:
  HDC FDC;
  HPEN FPen;
  HBRUSH FBrush;
  HFONT FFont;
  HGDIOBJ FOldPen, FOldBrush, FOldFont;
};

TGdiCanvas::~TGdiCanvas() { ReleasePalette(); }

void TGdiCanvas::ReleasePalette() {
  if (!FPalette) return;
  ::SelectPalette(FDC, FOldPalette, FALSE);
  DeleteObject(FPalette);
  FPalette = nullptr;
  FOldPalette = nullptr;
}

void TGdiCanvas::SetClip(const TRect& bounds, TPoint origin) {
  HDC dc = DC();
  SaveDC(dc);
  ++FClipDepth;
  TRect b = NormalizeRect(bounds);
  IntersectClipRect(dc, b.Left, b.Top, b.Right, b.Bottom);
  SetViewportOrgEx(dc, origin.X, origin.Y, nullptr);
}

void TGdiCanvas::ClearClip() {
  if (FClipDepth == 0) return;
  --FClipDepth;
  RestoreDC(DC(), -1);
}

TColor TGdiCanvas::GetPixel(int x, int y) {
  COLORREF c = ::GetPixel(DC(), x, y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c & 0xFFFFFF);
}

void TGdiCanvas::SetPixel(int x, int y, TColor color) { SetPixelV(DC(), x, y, ToColorRef(color)); }

void TGdiCanvas::LineTo(int x, int y) {
  Selection s(*this);
  MoveToEx(s.DC(), FPenPos.X, FPenPos.Y, nullptr);
  ::LineTo(s.DC(), x, y);
  FPenPos = TPoint{x, y};
}

void TGdiCanvas::Rectangle(const TRect& r) {
  Selection s(*this);
  ::Rectangle(s.DC(), r.Left, r.Top, r.Right, r.Bottom);
}

void TGdiCanvas::Ellipse(const TRect& r) {
  Selection s(*this);
  ::Ellipse(s.DC(), r.Left, r.Top, r.Right, r.Bottom);
}

void TGdiCanvas::RoundRect(const TRect& r, int cx, int cy) {
  Selection s(*this);
  ::RoundRect(s.DC(), r.Left, r.Top, r.Right, r.Bottom, cx, cy);
}

void TGdiCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  std::vector<POINT> pts;
  for (const TPoint& p : points) pts.push_back(POINT{p.X, p.Y});
  Selection s(*this);
  ::Polygon(s.DC(), pts.data(), static_cast<int>(pts.size()));
}

void TGdiCanvas::FillRect(const TRect& r) {
  if (Brush().Style() == bsClear) return;
  Selection s(*this);
  TRect n = NormalizeRect(r);
  RECT rc{n.Left, n.Top, n.Right, n.Bottom};
  ::FillRect(s.DC(), &rc, s.Brush());
}

void TGdiCanvas::FrameRect(const TRect& r) {
  if (Brush().Style() == bsClear) return;
  Selection s(*this);
  TRect n = NormalizeRect(r);
  RECT rc{n.Left, n.Top, n.Right, n.Bottom};
  ::FrameRect(s.DC(), &rc, s.Brush());
}

void TGdiCanvas::StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode) {
  Selection s(*this);
  StretchDib(s.DC(), dest, source, sourceRect, mode);
}

// The mask through the exclusive-or identity ((d ^ s) & m) ^ s: where the
// mask is white d comes back, where it is black s.
void TGdiCanvas::MaskBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, const TBitmap& mask) {
  Selection s(*this);
  StretchDib(s.DC(), dest, source, sourceRect, SRCINVERT);
  StretchDib(s.DC(), dest, mask, sourceRect, SRCAND);
  StretchDib(s.DC(), dest, source, sourceRect, SRCINVERT);
}

void TGdiCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  Selection s(*this);
  SetStretchBltMode(s.DC(), COLORONCOLOR);
  StretchBlt(s.DC(), dest.Left, dest.Top, dest.Width(), dest.Height(), reinterpret_cast<HDC>(source.Handle()),
             sourceRect.Left, sourceRect.Top, sourceRect.Width(), sourceRect.Height(), CopyMode());
}

void TGdiCanvas::TextOut(int x, int y, const std::string& text) {
  Selection s(*this);
  ::TextOutA(s.DC(), x, y, text.c_str(), static_cast<int>(text.size()));
  SIZE size{};
  GetTextExtentPoint32A(s.DC(), text.c_str(), static_cast<int>(text.size()), &size);
  FPenPos = TPoint{x + size.cx, y};
}

void TGdiCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  Selection s(*this);
  TRect n = NormalizeRect(r);
  RECT rc{n.Left, n.Top, n.Right, n.Bottom};
  ExtTextOutA(s.DC(), x, y, ETO_CLIPPED, &rc, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

int TGdiCanvas::DrawText(const std::string& text, TRect& r, unsigned flags) {
  Selection s(*this);
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  int height = ::DrawTextA(s.DC(), text.c_str(), static_cast<int>(text.size()), &rc, flags);
  if (flags & DT_CALCRECT) r = Rect(rc.left, rc.top, rc.right, rc.bottom);
  return height;
}

TPoint TGdiCanvas::TextExtent(const std::string& text) {
  Selection s(*this);
  SIZE size{};
  GetTextExtentPoint32A(s.DC(), text.c_str(), static_cast<int>(text.size()), &size);
  return TPoint{size.cx, size.cy};
}

void TGdiCanvas::SelectPalette(TPaletteHandle palette, bool background) {
  HDC dc = DC();
  HPALETTE previous = FPalette;
  FPalette = nullptr;
  if (palette && !palette->Entries.empty()) {
    std::size_t n = std::min<std::size_t>(palette->Entries.size(), 256);
    std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(n);
    for (std::size_t i = 0; i < n; ++i) {
      const TPaletteEntry& e = palette->Entries[i];
      log->palPalEntry[i] = PALETTEENTRY{e.Red, e.Green, e.Blue, e.Flags};
    }
    FPalette = CreatePalette(log);
  }
  HPALETTE old = ::SelectPalette(dc, FPalette ? FPalette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)),
                                 background ? TRUE : FALSE);
  if (!previous) FOldPalette = old;
  if (previous) DeleteObject(previous);
}

int TGdiCanvas::RealizePalette() { return static_cast<int>(::RealizePalette(DC())); }
