#include "toolkit/base/SoftCanvas.h"

#include <algorithm>
#include <cmath>

#include "toolkit/base/BitmapStorage.h"

#include <stb/stb_easy_font.h>

namespace {

// The six hatches, 8x8 and aligned to the surface's (0, 0); bit 7 of a row
// is its left pixel. In the order of bsHorizontal..bsDiagCross.
const std::uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

std::uint32_t RawMask(int bits) { return bits >= 24 ? 0xFFFFFFu : bits == 16 ? 0x7FFFu : (1u << bits) - 1; }

// Binary raster operation `code` (1..16): its value minus one is the truth
// table indexed by pen * 2 + destination.
std::uint32_t Rop2(int code, std::uint32_t p, std::uint32_t d) {
  unsigned t = static_cast<unsigned>(code - 1);
  std::uint32_t r = 0;
  if (t & 8) r |= p & d;
  if (t & 4) r |= p & ~d;
  if (t & 2) r |= ~p & d;
  if (t & 1) r |= ~p & ~d;
  return r;
}

// Ternary raster operation: bits 16..23 of the code are the truth table
// indexed by pattern * 4 + source * 2 + destination.
std::uint32_t Rop3(TCopyMode mode, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  unsigned t = (mode >> 16) & 0xFF;
  std::uint32_t r = 0;
  for (unsigned i = 0; i < 8; ++i)
    if (t & (1u << i)) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return r;
}

// Which source pixel each of `to` destination pixels shows when `from`
// source pixels are stretched over them, as the platform's blits choose:
// enlarging, the source pixel under the destination pixel's centre;
// shrinking, the last source pixel whose centre falls in the destination
// pixel. Rows count from the bottom (`fromEnd`), as in bottom-up bitmaps.
std::vector<int> StretchMap(int to, int from, bool fromEnd) {
  std::vector<int> map(static_cast<std::size_t>(to), 0);
  if (to >= from) {
    for (int i = 0; i < to; ++i)
      map[static_cast<std::size_t>(i)] = static_cast<int>((2LL * i + 1) * from / (2LL * to));
  } else {
    for (int j = 0; j < from; ++j)
      map[static_cast<std::size_t>((2LL * j + 1) * to / (2LL * from))] = j;
  }
  if (fromEnd) {
    std::reverse(map.begin(), map.end());
    for (int& j : map) j = from - 1 - j;
  }
  return map;
}

// Inside the ellipse that fits box [l, r) x [t, b) with its outline on the
// box's outer pixels.
bool InEllipse(double x, double y, int l, int t, int r, int b) {
  double a = (r - l - 1) / 2.0, c = (b - t - 1) / 2.0;
  double dx = (x - (l + a)) / (a + 0.5), dy = (y - (t + c)) / (c + 0.5);
  return dx * dx + dy * dy <= 1.0;
}

}  // namespace

struct TSoftCanvas::Surface {
  explicit Surface(TBitmap& b) : Bitmap(b), Bits(b.BitsPerPixel()), Mask(RawMask(b.BitsPerPixel())) {
    if (!b.GetEmpty()) {
      Base = b.ScanLine(0);
      Stride = b.RowBytes();
    }
  }
  std::uint8_t* Row(int y) { return Base + static_cast<std::ptrdiff_t>(y) * Stride; }
  std::uint32_t Get(int x, int y) { return GetPixelRaw(Row(y), x, Bits); }
  void Put(int x, int y, std::uint32_t v) { PutPixelRaw(Row(y), x, Bits, v & Mask); }
  std::uint32_t Encode(TColor c) const { return EncodeColor(Bitmap, c); }
  TBitmap& Bitmap;
  int Bits;
  std::uint32_t Mask;
  std::uint8_t* Base = nullptr;
  int Stride = 0;
};

void TSoftCanvas::SetClip(const TRect& bounds, TPoint origin) {
  FClipped = true;
  FClip = NormalizeRect(bounds);
  FOrigin = origin;
}

void TSoftCanvas::ClearClip() {
  FClipped = false;
  FOrigin = TPoint{};
}

bool TSoftCanvas::Visible(int x, int y) const {
  if (x < 0 || y < 0 || x >= FTarget.GetWidth() || y >= FTarget.GetHeight()) return false;
  return !FClipped || (x >= FClip.Left && x < FClip.Right && y >= FClip.Top && y < FClip.Bottom);
}

void TSoftCanvas::Plot(Surface& s, int x, int y, std::uint32_t raw, int rop2) {
  if (!Visible(x, y)) return;
  s.Put(x, y, rop2 == pmCopy ? raw : Rop2(rop2, raw, s.Get(x, y)));
}

TColor TSoftCanvas::GetPixel(int x, int y) {
  x += FOrigin.X;
  y += FOrigin.Y;
  if (!Visible(x, y)) return clNone;
  return FTarget.PixelColor(x, y);
}

void TSoftCanvas::SetPixel(int x, int y, TColor color) {
  Surface s(FTarget);
  Plot(s, x + FOrigin.X, y + FOrigin.Y, s.Encode(color), pmCopy);
}

// --- pen ----------------------------------------------------------------------------

void TSoftCanvas::PenPixel(Surface& s, int x, int y) {
  if (Pen().Style() == psClear) return;
  std::uint32_t raw = s.Encode(Pen().Color());
  int w = std::max(Pen().Width(), 1);
  for (int dy = 0; dy < w; ++dy)
    for (int dx = 0; dx < w; ++dx) Plot(s, x + dx - w / 2, y + dy - w / 2, raw, Pen().Mode());
}

// A Bresenham line that leaves out its end point. Ties between two pixels
// go the way the platform's drawing goes: the minor coordinate steps at a
// tie in octants 3, 5, 6 and 8 (counted from east towards growing y) and
// waits in octants 1, 2, 4 and 7.
void TSoftCanvas::DrawLine(Surface& s, TPoint from, TPoint to) {
  int dx = to.X - from.X, dy = to.Y - from.Y;
  int adx = std::abs(dx), ady = std::abs(dy);
  int octant;
  if (dy > 0) octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
  else octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
  int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
  int xInc = dx < 0 ? -1 : 1, yInc = dy < 0 ? -1 : 1;
  bool xMajor = adx > ady;
  int major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  int err = 2 * minor - major;
  int x = from.X, y = from.Y;
  for (int i = 0; i < major; ++i) {
    PenPixel(s, x, y);
    if (err + bias > 0) {
      if (xMajor) y += yInc;
      else x += xInc;
      err += 2 * minor - 2 * major;
    } else {
      err += 2 * minor;
    }
    if (xMajor) x += xInc;
    else y += yInc;
  }
}

void TSoftCanvas::LineTo(int x, int y) {
  Surface s(FTarget);
  TPoint from{FPenPos.X + FOrigin.X, FPenPos.Y + FOrigin.Y};
  DrawLine(s, from, TPoint{x + FOrigin.X, y + FOrigin.Y});
  FPenPos = TPoint{x, y};
}

// --- brush and shapes --------------------------------------------------------------

void TSoftCanvas::BrushSpan(Surface& s, int y, int x0, int x1, int rop2) {
  TBrushStyle style = Brush().Style();
  if (style == bsClear) return;
  std::uint32_t fore = s.Encode(Brush().Color());
  if (style == bsSolid) {
    for (int x = x0; x < x1; ++x) Plot(s, x, y, fore, rop2);
    return;
  }
  std::uint32_t back = s.Encode(BackgroundColor());
  bool opaque = BackgroundMode() == bkOpaque;
  std::uint8_t row = kHatches[style - bsHorizontal][y & 7];
  for (int x = x0; x < x1; ++x) {
    if (row & (0x80 >> (x & 7))) Plot(s, x, y, fore, rop2);
    else if (opaque) Plot(s, x, y, back, rop2);
  }
}

void TSoftCanvas::FillRect(const TRect& r) {
  Surface s(FTarget);
  TRect n = NormalizeRect(r);
  for (int y = n.Top; y < n.Bottom; ++y) BrushSpan(s, y + FOrigin.Y, n.Left + FOrigin.X, n.Right + FOrigin.X, pmCopy);
}

void TSoftCanvas::FrameRect(const TRect& r) {
  TRect n = NormalizeRect(r);
  if (n.IsEmpty()) return;
  FillRect(Rect(n.Left, n.Top, n.Right, n.Top + 1));
  FillRect(Rect(n.Left, n.Bottom - 1, n.Right, n.Bottom));
  FillRect(Rect(n.Left, n.Top + 1, n.Left + 1, n.Bottom - 1));
  FillRect(Rect(n.Right - 1, n.Top + 1, n.Right, n.Bottom - 1));
}

template <class Inside>
void TSoftCanvas::Shape(const TRect& box, Inside inside) {
  Surface s(FTarget);
  bool pen = Pen().Style() != psClear;
  TRect b = NormalizeRect(box);
  // Without a pen the platform fills one pixel less to the right and below.
  if (!pen) {
    b.Right -= 1;
    b.Bottom -= 1;
  }
  auto in = [&](int x, int y) { return x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom && inside(b, x, y); };
  for (int y = b.Top; y < b.Bottom; ++y) {
    for (int x = b.Left; x < b.Right; ++x) {
      if (!in(x, y)) continue;
      bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
      if (edge && pen) PenPixel(s, x + FOrigin.X, y + FOrigin.Y);
      else BrushSpan(s, y + FOrigin.Y, x + FOrigin.X, x + FOrigin.X + 1, Pen().Mode());
    }
  }
}

void TSoftCanvas::Rectangle(const TRect& r) {
  Shape(r, [](const TRect&, int, int) { return true; });
}

void TSoftCanvas::RoundRect(const TRect& r, int cx, int cy) {
  Shape(r, [cx, cy](const TRect& b, int x, int y) {
    int w = std::min(std::abs(cx), b.Width()), h = std::min(std::abs(cy), b.Height());
    if (w < 2 || h < 2) return true;
    // The quarter of a w x h ellipse in the corner whose zone holds (x, y).
    bool left = x < b.Left + w / 2, right = x >= b.Right - w / 2;
    bool top = y < b.Top + h / 2, bottom = y >= b.Bottom - h / 2;
    if (!(left || right) || !(top || bottom)) return true;
    int l = left ? b.Left : b.Right - w, t = top ? b.Top : b.Bottom - h;
    return InEllipse(x, y, l, t, l + w, t + h);
  });
}

void TSoftCanvas::Ellipse(const TRect& r) {
  Shape(r, [](const TRect& b, int x, int y) { return InEllipse(x, y, b.Left, b.Top, b.Right, b.Bottom); });
}

// Filled at integer points: row y takes the pixels from each crossing of
// the line through y (rounded up) to the next (rounded up, left out).
void TSoftCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.size() < 2) return;
  Surface s(FTarget);
  int top = points[0].Y, bottom = points[0].Y;
  for (const TPoint& p : points) {
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
  }
  struct Crossing {
    double X;
    int Direction;
  };
  std::vector<Crossing> crossings;
  for (int y = top; y < bottom; ++y) {
    crossings.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      TPoint a = points[i], b = points[(i + 1) % points.size()];
      if (a.Y == b.Y) continue;
      int direction = a.Y < b.Y ? 1 : -1;
      if (a.Y > b.Y) std::swap(a, b);
      if (y < a.Y || y >= b.Y) continue;
      crossings.push_back({a.X + static_cast<double>(y - a.Y) * (b.X - a.X) / (b.Y - a.Y), direction});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing& p, const Crossing& q) { return p.X < q.X; });
    int winding = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].Direction;
      bool fill = PolyFillMode() == fmWinding ? winding != 0 : i % 2 == 0;
      if (!fill) continue;
      int x0 = static_cast<int>(std::ceil(crossings[i].X)), x1 = static_cast<int>(std::ceil(crossings[i + 1].X));
      BrushSpan(s, y + FOrigin.Y, x0 + FOrigin.X, x1 + FOrigin.X, Pen().Mode());
    }
  }
  if (Pen().Style() == psClear) return;
  for (std::size_t i = 0; i < points.size(); ++i) {
    TPoint a = points[i], b = points[(i + 1) % points.size()];
    DrawLine(s, TPoint{a.X + FOrigin.X, a.Y + FOrigin.Y}, TPoint{b.X + FOrigin.X, b.Y + FOrigin.Y});
  }
}

// --- blits --------------------------------------------------------------------------

namespace {

// Walks the destination pixels of a stretch: f(destX, destY, sourceX,
// sourceY) for each, with mirroring where the two extents differ in sign.
template <class F>
void ForEachStretched(const TRect& dest, const TRect& source, F f) {
  TRect d = NormalizeRect(dest), s = NormalizeRect(source);
  bool mirrorX = (dest.Width() < 0) != (source.Width() < 0), mirrorY = (dest.Height() < 0) != (source.Height() < 0);
  int dw = d.Width(), dh = d.Height(), sw = s.Width(), sh = s.Height();
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
  std::vector<int> columns = StretchMap(dw, sw, false), rows = StretchMap(dh, sh, true);
  for (int j = 0; j < dh; ++j) {
    int sj = rows[static_cast<std::size_t>(j)];
    if (mirrorY) sj = sh - 1 - sj;
    for (int i = 0; i < dw; ++i) {
      int si = columns[static_cast<std::size_t>(i)];
      if (mirrorX) si = sw - 1 - si;
      f(d.Left + i, d.Top + j, s.Left + si, s.Top + sj);
    }
  }
}

bool InBitmap(const TBitmap& b, int x, int y) { return x >= 0 && y >= 0 && x < b.GetWidth() && y < b.GetHeight(); }

}  // namespace

void TSoftCanvas::StretchBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, TCopyMode mode) {
  Surface s(FTarget);
  std::uint32_t pattern = s.Encode(Brush().Color());
  TRect d = Rect(dest.Left + FOrigin.X, dest.Top + FOrigin.Y, dest.Right + FOrigin.X, dest.Bottom + FOrigin.Y);
  ForEachStretched(d, sourceRect, [&](int x, int y, int sx, int sy) {
    if (!Visible(x, y) || !InBitmap(source, sx, sy)) return;
    std::uint32_t src = s.Encode(source.PixelColor(sx, sy));
    s.Put(x, y, mode == cmSrcCopy ? src : Rop3(mode, pattern, src, s.Get(x, y)));
  });
}

void TSoftCanvas::MaskBitmap(const TRect& dest, const TBitmap& source, const TRect& sourceRect, const TBitmap& mask) {
  Surface s(FTarget);
  TRect d = Rect(dest.Left + FOrigin.X, dest.Top + FOrigin.Y, dest.Right + FOrigin.X, dest.Bottom + FOrigin.Y);
  ForEachStretched(d, sourceRect, [&](int x, int y, int sx, int sy) {
    if (!Visible(x, y) || !InBitmap(source, sx, sy)) return;
    bool keep = InBitmap(mask, sx, sy) && mask.PixelColor(sx, sy) != clBlack;
    if (!keep) s.Put(x, y, s.Encode(source.PixelColor(sx, sy)));
  });
}

void TSoftCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
  if (auto* soft = dynamic_cast<TSoftCanvas*>(&source)) {
    TRect from = Rect(sourceRect.Left + soft->FOrigin.X, sourceRect.Top + soft->FOrigin.Y,
                      sourceRect.Right + soft->FOrigin.X, sourceRect.Bottom + soft->FOrigin.Y);
    if (&soft->FTarget != &FTarget) return StretchBitmap(dest, soft->FTarget, from, CopyMode());
    TBitmap copy;  // copying within one bitmap reads the pixels as they were
    copy.Assign(&FTarget);
    return StretchBitmap(dest, copy, from, CopyMode());
  }
  // Another kind of canvas: through its pixels.
  TRect n = NormalizeRect(sourceRect);
  TBitmap copy;
  copy.SetSize(n.Width(), n.Height());
  for (int y = 0; y < n.Height(); ++y)
    for (int x = 0; x < n.Width(); ++x) {
      TColor c = source.GetPixel(n.Left + x, n.Top + y);
      if (c != clNone) copy.SetPixelColor(x, y, c);
    }
  TRect from = Rect(0, 0, n.Width(), n.Height());
  if (sourceRect.Width() < 0) std::swap(from.Left, from.Right);
  if (sourceRect.Height() < 0) std::swap(from.Top, from.Bottom);
  StretchBitmap(dest, copy, from, CopyMode());
}

// --- text ----------------------------------------------------------------------------

namespace {

int GlyphAdvance(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u < 32 || u > 126) u = '?';
  return stb_easy_font_charinfo[u - 32].advance & 15;
}

int StringWidth(const std::string& text) {
  int w = 0;
  for (char c : text) w += GlyphAdvance(c);
  return w;
}

}  // namespace

TPoint TSoftCanvas::TextExtent(const std::string& text) { return TPoint{StringWidth(text), LineHeight}; }

void TSoftCanvas::DrawString(const TRect* clip, int x, int y, const std::string& text, int underline) {
  Surface s(FTarget);
  x += FOrigin.X;
  y += FOrigin.Y;
  TRect c;
  if (clip) c = Rect(clip->Left + FOrigin.X, clip->Top + FOrigin.Y, clip->Right + FOrigin.X, clip->Bottom + FOrigin.Y);
  auto put = [&](int px, int py, std::uint32_t raw) {
    if (clip && (px < c.Left || px >= c.Right || py < c.Top || py >= c.Bottom)) return;
    Plot(s, px, py, raw, pmCopy);
  };
  int width = StringWidth(text);
  if (BackgroundMode() == bkOpaque) {
    std::uint32_t back = s.Encode(BackgroundColor());
    for (int py = y; py < y + LineHeight; ++py)
      for (int px = x; px < x + width; ++px) put(px, py, back);
  }
  std::uint32_t fore = s.Encode(Font().Color());
  int at = x;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char ch[2] = {text[i], 0};
    unsigned char u = static_cast<unsigned char>(ch[0]);
    if (u < 32 || u > 126) ch[0] = '?';
    float quads[64 * 16];  // 16 floats = one quad of four vertices
    int n = stb_easy_font_print(static_cast<float>(at), static_cast<float>(y), ch, nullptr, quads, sizeof quads);
    for (int q = 0; q < n; ++q) {
      const float* v = quads + q * 16;  // vertex 0 = top-left, vertex 2 = bottom-right
      for (int py = static_cast<int>(v[1]); py < static_cast<int>(v[9]); ++py)
        for (int px = static_cast<int>(v[0]); px < static_cast<int>(v[8]); ++px) put(px, py, fore);
    }
    if (static_cast<int>(i) == underline)
      for (int px = at; px < at + GlyphAdvance(text[i]) - 1; ++px) put(px, y + LineHeight - 1, fore);
    at += GlyphAdvance(text[i]);
  }
}

void TSoftCanvas::TextOut(int x, int y, const std::string& text) {
  DrawString(nullptr, x, y, text, -1);
  FPenPos = TPoint{x + StringWidth(text), y};
}

void TSoftCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  TRect n = NormalizeRect(r);
  DrawString(&n, x, y, text, -1);
}

int TSoftCanvas::DrawText(const std::string& text, TRect& r, unsigned flags) {
  TRect needed;
  std::vector<TTextLine> lines = LayoutText(text, r, flags, LineHeight, StringWidth, needed);
  if (flags & DT_CALCRECT) {
    r = needed;
    return needed.Height();
  }
  TRect clip = NormalizeRect(r);
  for (const TTextLine& line : lines)
    DrawString((flags & DT_NOCLIP) ? nullptr : &clip, r.Left + line.X, r.Top + line.Y, line.Text, line.Underline);
  return lines.empty() ? 0 : lines.back().Y + LineHeight;
}
