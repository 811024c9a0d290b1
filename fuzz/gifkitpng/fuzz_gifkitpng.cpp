// Any bytes: ReadPalettePNG gives a palette and one index per pixel, or
// raises Exception; what it gives is written as a GIF or refused with
// "Color not in color table".
#include "PaletteImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TPaletteImage png;
  try {
    png = ReadPalettePNG(std::vector<std::uint8_t>(data, data + size));
  } catch (const Exception&) {
    return 0;
  }
  if (png.Palette.empty() || png.Palette.size() > 256 ||
      png.Indices.size() != static_cast<std::size_t>(png.Width) * static_cast<std::size_t>(png.Height) ||
      png.TransparentIndex >= static_cast<int>(png.Palette.size()))
    std::abort();
  if (png.Indices.size() > (std::size_t(1) << 22)) return 0;  // encoding cost only
  TGIFImage image;
  BuildImage(png, (size & 1) != 0, image);
  TMemoryStream out;
  try {
    image.SaveToStream(out);
  } catch (const GIFException& e) {
    if (e.Message != GIFImageMessages::_sInvalidColor) std::abort();
  }
  return 0;
}
