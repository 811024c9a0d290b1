// stb_image decodes PNGs to colours only. To keep a palette PNG's indices,
// the PNG is handed to it with its palette replaced by one whose entry i is
// the colour (i, 0, 0) and without its transparency chunk: the red channel
// of the result is then the index. stb_image does not check chunk CRCs, so
// the changed chunk keeps a zero CRC.
#include "PaletteImage.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <cstring>
#include <memory>

namespace {

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kPaletteColorType = 3;

std::uint32_t BE32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void PutBE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void Fail(const std::string& reason) { throw Exception("Invalid PNG: " + reason); }

}  // namespace

// Chunks: [length, 4 bytes big-endian][type, 4][data, length][crc, 4].
TPaletteImage ReadPalettePNG(const std::vector<std::uint8_t>& file) {
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) throw Exception("Not a PNG file");
  TPaletteImage png;
  std::vector<std::uint8_t> alpha;
  std::vector<std::uint8_t> indexed(file.begin(), file.begin() + 8);
  std::size_t at = 8;
  bool sawHeader = false;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = BE32(&file[at]);
    if (length > file.size() - at - 12) Fail("chunk past the end of the file");
    const std::uint8_t* type = &file[at + 4];
    const std::uint8_t* data = &file[at + 8];
    const std::size_t next = at + 12 + length;
    if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
      sawHeader = true;
      if (BE32(data) > 65535 || BE32(data + 4) > 65535) Fail("larger than a GIF can hold");
      if (std::uint64_t(BE32(data)) * BE32(data + 4) > GIFMaxFramePixels) Fail("too many pixels for a GIF frame");
      if (data[9] != kPaletteColorType)
        throw Exception("Full-colour PNGs are not supported yet: only palette PNGs can be encoded");
    }
    if (std::memcmp(type, "PLTE", 4) == 0) {
      if (length == 0 || length % 3 != 0 || length > 768) Fail("bad palette size");
      for (std::uint32_t i = 0; i < length; i += 3) png.Palette.push_back({data[i], data[i + 1], data[i + 2]});
      PutBE32(indexed, 768);
      indexed.insert(indexed.end(), type, type + 4);
      for (int i = 0; i < 256; ++i) indexed.insert(indexed.end(), {std::uint8_t(i), 0, 0});
      PutBE32(indexed, 0);
    } else if (std::memcmp(type, "tRNS", 4) == 0) {
      alpha.assign(data, data + length);
    } else {
      indexed.insert(indexed.end(), file.begin() + static_cast<std::ptrdiff_t>(at),
                     file.begin() + static_cast<std::ptrdiff_t>(next));
    }
    at = next;
  }
  if (!sawHeader) Fail("no header chunk");
  if (png.Palette.empty()) Fail("no palette");

  int w = 0, h = 0, comp = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
      stbi_load_from_memory(indexed.data(), static_cast<int>(indexed.size()), &w, &h, &comp, 3), stbi_image_free);
  if (!rgb) Fail(stbi_failure_reason() ? stbi_failure_reason() : "cannot decode");
  png.Width = w;
  png.Height = h;
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  png.Indices.resize(n);
  for (std::size_t i = 0; i < n; ++i) png.Indices[i] = rgb.get()[i * 3];
  for (std::size_t i = 0; i < alpha.size() && i < png.Palette.size(); ++i)
    if (alpha[i] == 0) {
      png.TransparentIndex = static_cast<int>(i);
      break;
    }
  return png;
}

void BuildImage(const TPaletteImage& png, bool interlaced, TGIFImage& image) {
  image.Clear();
  image.SetWidth(png.Width);
  image.SetHeight(png.Height);
  for (const TGIFColor& c : png.Palette) image.GlobalColorMap()->Add(TGIFColorMap::RGB2Color(c));
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->DoSetBounds(0, 0, png.Width, png.Height);
  if (!png.Indices.empty()) std::memcpy(frame->Data(), png.Indices.data(), png.Indices.size());
  frame->SetInterlaced(interlaced);
  if (png.TransparentIndex >= 0) {
    auto* gce = new TGIFGraphicControlExtension(frame.get());
    frame->Extensions()->Add(gce);
    gce->SetTransparentColorIndex(png.TransparentIndex);
    gce->SetTransparent(true);
  }
  image.Add(frame.release());
}
