// Any bytes the reader takes are written with LZW and with RLE (or refused
// with "Color not in color table"), and reading the copy gives the first
// read's frames, bounds, tables and indices again.
#include "gif/GIFImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kMaxPixels = std::size_t(1) << 22;

void Require(bool ok) {
  if (!ok) std::abort();
}

bool SameTable(const TGIFColorMap* a, const TGIFColorMap* b) {
  return a->Count() == b->Count() &&
         (a->Count() == 0 || std::memcmp(a->Data(), b->Data(), 3 * static_cast<std::size_t>(a->Count())) == 0);
}

std::vector<TGIFSubImage*> FramesWithPixels(TGIFImage& image) {
  std::vector<TGIFSubImage*> v;
  for (int i = 0; i < image.Images()->Count(); ++i)
    if (!(*image.Images())[i]->GetEmpty()) v.push_back((*image.Images())[i]);
  return v;
}

// Frames without pixels write only their extensions, which the copy's
// reader then puts in front of the next frame: frames are compared by
// their pixels.
void RequireSame(TGIFImage& a, TGIFImage& b) {
  Require(a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight());
  Require(SameTable(a.GlobalColorMap(), b.GlobalColorMap()));
  std::vector<TGIFSubImage*> fa = FramesWithPixels(a), fb = FramesWithPixels(b);
  Require(fa.size() == fb.size());
  for (std::size_t i = 0; i < fa.size(); ++i) {
    TGIFSubImage &x = *fa[i], &y = *fb[i];
    Require(SameTable(x.ColorMap(), y.ColorMap()));
    Require(x.GetBoundsRect() == y.GetBoundsRect() && x.GetInterlaced() == y.GetInterlaced());
    Require(std::memcmp(x.Data(), y.Data(), x.DataSize()) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TGIFImage image;
  TReadOnlyMemoryStream stream(data, size);
  try {
    image.LoadFromStream(stream);
  } catch (const GIFException&) {
    return 0;
  }
  // Encoding is linear in the pixels; a few bytes can describe 10^8 of them,
  // which under the sanitizers outlasts the time-out without finding more.
  std::size_t pixels = 0;
  for (int i = 0; i < image.Images()->Count(); ++i) pixels += (*image.Images())[i]->DataSize();
  if (pixels > kMaxPixels) return 0;
  for (TGIFCompression compression : {gcLZW, gcRLE}) {
    image.SetCompression(compression);
    TMemoryStream copy;
    try {
      image.SaveToStream(copy);
    } catch (const GIFException& e) {
      // Indices past the table, or nothing but empty frames to write.
      Require(e.Message == GIFImageMessages::_sInvalidColor || e.Message == GIFImageMessages::_sBadVersion);
      continue;
    }
    TGIFImage again;
    copy.SetPosition(0);
    again.LoadFromStream(copy);  // must not raise
    RequireSame(image, again);
  }
  return 0;
}
