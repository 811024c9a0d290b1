// The same drawing scripts on the GDI canvas (a DIB section's device
// context) and on the software canvas: rectangles, lines, polygons, hatches
// and blits must agree on every pixel; ellipse and round-rectangle outlines
// within one pixel. Both images of any case that differs are saved as PNG
// beside the test.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include "toolkit/base/tests/SavePng.h"

#include "toolkit/base/SoftCanvas.h"
#include "toolkit/base/tests/DrawingScripts.h"

namespace {

constexpr int kSize = 20;

// Whether some pixel within one of (x, y) in `b` has colour c.
bool Near(const TBitmap& b, int x, int y, TColor c) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      int nx = x + dx, ny = y + dy;
      if (nx >= 0 && ny >= 0 && nx < b.GetWidth() && ny < b.GetHeight() && b.PixelColor(nx, ny) == c) return true;
    }
  return false;
}

std::string FileName(std::string s) {
  for (char& ch : s)
    if (ch == ' ') ch = '_';
  return s;
}

TEST(GdiCompare, ScriptsAgreeWithTheSoftwareCanvas) {
  int compared = 0;
  for (const DrawingScript& script : DrawingScripts()) {
    SCOPED_TRACE(script.Name);
    auto soft = Plain(kSize, kSize, clWhite);
    auto gdi = Plain(kSize, kSize, clWhite);
    TSoftCanvas softCanvas(*soft);
    script.Draw(softCanvas);
    script.Draw(gdi->Canvas());
    int differing = 0, unexplained = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        TColor s = soft->PixelColor(x, y), g = gdi->PixelColor(x, y);
        if (s == g) continue;
        ++differing;
        if (script.Exact || !Near(*gdi, x, y, s) || !Near(*soft, x, y, g)) ++unexplained;
      }
    ++compared;
    if (differing) {
      SavePng(*soft, "compare_" + FileName(script.Name) + "_soft.png");
      SavePng(*gdi, "compare_" + FileName(script.Name) + "_gdi.png");
    }
    EXPECT_EQ(unexplained, 0) << differing << " pixels differ";
  }
  std::printf("GDI and software canvas: %d cases compared\n", compared);
}

}  // namespace
