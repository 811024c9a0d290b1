// Writes a bitmap as a 24-bit PNG (for looking at test pictures); the
// stb writer's implementation is in StbWrite.cpp.
#pragma once

#include <stb/stb_image_write.h>

#include <string>
#include <vector>

#include "toolkit/base/Bitmap.h"

inline bool SavePng(const TBitmap& b, const std::string& name) {
  std::vector<unsigned char> rgb;
  rgb.reserve(static_cast<std::size_t>(b.GetWidth()) * b.GetHeight() * 3);
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x) {
      TColor c = b.PixelColor(x, y);
      rgb.insert(rgb.end(), {RedOf(c), GreenOf(c), BlueOf(c)});
    }
  return stbi_write_png(name.c_str(), b.GetWidth(), b.GetHeight(), 3, rgb.data(), b.GetWidth() * 3) != 0;
}
