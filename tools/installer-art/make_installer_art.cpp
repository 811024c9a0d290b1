// Draws the installer's artwork with the toolkit's software canvas and
// writes it in the stored forms the window descriptions use:
//   maven_banner.pic  picture data: "\x07TBitmap", then the bitmap's data
//                     (342 x 112, 24 bits per pixel)
//   glyph_*.bmd       a button glyph's bitmap data (16 x 16, 24 bits);
//                     the bottom-left pixel's colour is transparent
//
// Usage: make_installer_art OUT_FOLDER
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/base/Bitmap.h"
#include "toolkit/base/SoftCanvas.h"

namespace {

constexpr TColor kKey = RGBColor(128, 128, 0);  // transparent in glyphs

TColor Mix(TColor a, TColor b, int num, int den) {
  auto mix = [&](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) * num / den); };
  return RGBColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

void Save(const TBitmap& bitmap, const std::string& file, bool asPicture) {
  TMemoryStream data;
  if (asPicture) data.WriteBuffer("\x07TBitmap", 8);
  const_cast<TBitmap&>(bitmap).WriteData(data);
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.Memory()), static_cast<std::streamsize>(data.Size()));
  if (!out) throw std::runtime_error("cannot write " + file);
}

// Text of the built-in font, scaled up by `scale`, in `color`.
void BigText(TCanvas& canvas, int x, int y, int scale, const std::string& text, TColor color) {
  TBitmap small;
  small.SetPixelFormat(pf24bit);
  TSoftCanvas measure(small);
  TPoint extent = measure.TextExtent(text);
  small.SetWidth(extent.X + 1);
  small.SetHeight(extent.Y + 1);
  TSoftCanvas c(small);
  c.Brush().SetColor(kKey);
  c.FillRect(Rect(0, 0, small.GetWidth(), small.GetHeight()));
  c.Font().SetColor(color);
  c.SetBackgroundMode(bkTransparent);
  c.TextOut(0, 0, text);
  canvas.BrushCopy(Rect(x, y, x + small.GetWidth() * scale, y + small.GetHeight() * scale), small,
                   Rect(0, 0, small.GetWidth(), small.GetHeight()), kKey);
}

void DrawBanner(TBitmap& b) {
  b.SetPixelFormat(pf24bit);
  b.SetWidth(342);
  b.SetHeight(112);
  TSoftCanvas c(b);
  const TColor top = RGBColor(16, 28, 72), bottom = RGBColor(20, 110, 120);
  for (int y = 0; y < 112; y++) {
    c.Brush().SetColor(Mix(top, bottom, y, 111));
    c.FillRect(Rect(0, y, 342, y + 1));
  }
  // A row of rule cards fanned on the right.
  for (int i = 0; i < 4; i++) {
    int x = 222 + i * 22, y = 14 + (i % 2) * 6;
    c.Pen().SetColor(RGBColor(30, 30, 30));
    c.Brush().SetColor(Mix(RGBColor(240, 236, 220), RGBColor(230, 190, 70), i, 3));
    c.RoundRect(Rect(x, y, x + 40, y + 56), 8, 8);
    c.Brush().SetColor(RGBColor(150, 40, 30));
    c.FillRect(Rect(x + 6, y + 8, x + 34, y + 11));
    for (int line = 0; line < 4; line++) {
      c.Brush().SetColor(RGBColor(120, 120, 120));
      c.FillRect(Rect(x + 6, y + 18 + line * 8, x + 30 - (line % 2) * 8, y + 20 + line * 8));
    }
  }
  c.Brush().SetColor(RGBColor(230, 180, 40));
  c.FillRect(Rect(0, 86, 342, 89));
  BigText(c, 19, 15, 5, "MAVEN", RGBColor(0, 0, 0));
  BigText(c, 16, 12, 5, "MAVEN", RGBColor(250, 240, 210));
  BigText(c, 18, 52, 2, "Rules manager", RGBColor(230, 180, 40));
  BigText(c, 18, 69, 2, "for Ashfall", RGBColor(230, 180, 40));
  BigText(c, 18, 94, 1, "Version 2.5", RGBColor(220, 220, 220));
}

// Saves a 16 x 16 glyph on the transparent colour, drawn by `draw`.
template <class Draw>
void SaveGlyph(const std::string& file, Draw draw) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetWidth(16);
  b.SetHeight(16);
  TSoftCanvas c(b);
  c.Brush().SetColor(kKey);
  c.FillRect(Rect(0, 0, 16, 16));
  draw(c);
  Save(b, file, false);
}

void Shape(TCanvas& c, TColor fill, TColor outline, const std::vector<TPoint>& points) {
  c.Brush().SetColor(fill);
  c.Pen().SetColor(outline);
  c.Polygon(points);
}

void Circle(TCanvas& c, TColor fill, TColor outline) {
  c.Brush().SetColor(fill);
  c.Pen().SetColor(outline);
  c.Ellipse(Rect(1, 1, 15, 15));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_installer_art OUT_FOLDER\n");
    return 2;
  }
  const std::string out = std::string(argv[1]) + "/";
  const TColor black = RGBColor(0, 0, 0), white = RGBColor(255, 255, 255);
  try {
    TBitmap banner;
    DrawBanner(banner);
    Save(banner, out + "maven_banner.pic", true);
    SaveGlyph(out + "glyph_folder.bmd", [&](TCanvas& c) {
           Shape(c, RGBColor(200, 160, 40), black, {{1, 4}, {6, 4}, {7, 5}, {14, 5}, {14, 13}, {1, 13}});
           Shape(c, RGBColor(250, 215, 90), black, {{3, 7}, {15, 7}, {13, 13}, {1, 13}});
         });
    SaveGlyph(out + "glyph_help.bmd", [&](TCanvas& c) {
           Circle(c, RGBColor(30, 80, 200), RGBColor(10, 30, 110));
           BigText(c, 6, 2, 1, "?", white);
           BigText(c, 7, 2, 1, "?", white);
         });
    SaveGlyph(out + "glyph_ok.bmd", [&](TCanvas& c) {
           Shape(c, RGBColor(30, 160, 40), RGBColor(10, 80, 20), {{1, 8}, {4, 5}, {7, 8}, {13, 2}, {15, 5}, {7, 13}});
         });
    SaveGlyph(out + "glyph_abort.bmd", [&](TCanvas& c) {
           Shape(c, RGBColor(200, 30, 30), RGBColor(110, 10, 10),
                 {{5, 1}, {11, 1}, {15, 5}, {15, 11}, {11, 15}, {5, 15}, {1, 11}, {1, 5}});
           c.Brush().SetColor(white);
           c.FillRect(Rect(4, 7, 12, 10));
         });
    SaveGlyph(out + "glyph_next.bmd", [&](TCanvas& c) {
           Shape(c, RGBColor(30, 160, 40), RGBColor(10, 80, 20), {{1, 5}, {8, 5}, {8, 1}, {15, 8}, {8, 15}, {8, 11}, {1, 11}});
         });
    SaveGlyph(out + "glyph_cancel.bmd", [&](TCanvas& c) {
           Shape(c, RGBColor(200, 30, 30), RGBColor(110, 10, 10),
                 {{1, 3}, {3, 1}, {8, 6}, {13, 1}, {15, 3}, {10, 8}, {15, 13}, {13, 15}, {8, 10}, {3, 15}, {1, 13}, {6, 8}});
         });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_installer_art: %s\n", e.what());
    return 1;
  }
  return 0;
}
