// Palette PNGs as GIF frames, for "gifkit encode".
#pragma once

#include "gif/GIFImage.h"

#include <cstdint>
#include <vector>

// A palette PNG's colours and one palette index per pixel.
struct TPaletteImage {
  int Width = 0;
  int Height = 0;
  std::vector<TGIFColor> Palette;   // 1 to 256 entries
  int TransparentIndex = -1;        // the first entry with alpha 0, or -1
  std::vector<std::uint8_t> Indices;
};

// Decodes a palette PNG (colour type 3, any bit depth) keeping its indices.
// Raises Exception: "Not a PNG file"; "Full-colour PNGs are not supported
// yet: only palette PNGs can be encoded" for other colour types; "Invalid
// PNG: <reason>" when the data is broken.
TPaletteImage ReadPalettePNG(const std::vector<std::uint8_t>& file);

// Replaces `image` by one frame of the indices, the palette as global table
// and, with a transparent entry, a graphic control extension naming it.
void BuildImage(const TPaletteImage& png, bool interlaced, TGIFImage& image);
