#include "WriterSupport.h"

#include <cstring>
#include <random>
#include <stdexcept>

std::unique_ptr<TGIFImage> MakeImage(int w, int h, int colors, const Bytes& pixels, bool interlaced,
                                     bool local) {
  auto image = std::make_unique<TGIFImage>();
  image->SetWidth(w);
  image->SetHeight(h);
  TGIFSubImage* frame = AddFrame(*image, 0, 0, w, h, pixels);
  frame->SetInterlaced(interlaced);
  TGIFColorMap* map = local ? frame->ColorMap() : image->GlobalColorMap();
  for (int i = 0; i < colors; ++i) {
    int v = colors > 1 ? i * 255 / (colors - 1) : 0;
    map->Add(static_cast<TColor>(v | (v << 8) | (v << 16)));
  }
  return image;
}

TGIFSubImage* AddFrame(TGIFImage& image, int left, int top, int w, int h, const Bytes& pixels) {
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->DoSetBounds(left, top, w, h);
  if (!pixels.empty()) std::memcpy(frame->Data(), pixels.data(), pixels.size());
  TGIFSubImage* f = frame.get();
  image.Add(frame.release());
  return f;
}

const std::vector<TFrameCase>& FrameCases() {
  static const std::vector<TFrameCase> cases = {
      {"1 pixel", 1, 1, 2, TFrameCase::Random},
      {"random 2 colours", 57, 31, 2, TFrameCase::Random},
      {"random 4", 64, 64, 4, TFrameCase::Random},
      {"random 16", 100, 70, 16, TFrameCase::Random},
      {"random 256", 300, 200, 256, TFrameCase::Random},
      {"runs 2", 200, 150, 2, TFrameCase::Runs},
      {"runs 16", 333, 77, 16, TFrameCase::Runs},
      {"runs 256", 640, 480, 256, TFrameCase::Runs},
      {"one colour of 2", 700, 500, 2, TFrameCase::OneColor},
      {"one colour of 8", 1000, 1000, 8, TFrameCase::OneColor},
      {"one colour of 256", 999, 1001, 256, TFrameCase::OneColor},
      {"rows 256", 256, 256, 256, TFrameCase::Rows},
  };
  return cases;
}

Bytes CasePixels(const TFrameCase& c) {
  Bytes px(static_cast<std::size_t>(c.W) * static_cast<std::size_t>(c.H));
  std::mt19937 rng(static_cast<unsigned>(c.W * 7 + c.H));
  const auto colors = static_cast<unsigned>(c.Colors);
  unsigned cur = 0;
  for (std::size_t i = 0; i < px.size(); ++i) {
    switch (c.Kind) {
      case TFrameCase::Random: cur = rng() % colors; break;
      case TFrameCase::Runs: if (rng() % 40 == 0) cur = rng() % colors; break;
      case TFrameCase::OneColor: cur = colors - 1; break;
      case TFrameCase::Rows: cur = static_cast<unsigned>(i / static_cast<std::size_t>(c.W)) % colors; break;
    }
    px[i] = static_cast<std::uint8_t>(cur);
  }
  return px;
}

Bytes Save(TGIFImage& image, TGIFCompression compression) {
  image.SetCompression(compression);
  TMemoryStream s;
  image.SaveToStream(s);
  return s.Bytes();
}

Bytes PixelsOf(const TGIFSubImage& frame) {
  if (frame.GetEmpty()) return {};
  return Bytes(frame.Data(), frame.Data() + frame.DataSize());
}

namespace {

std::size_t SkipSubBlocks(const Bytes& g, std::size_t at) {
  while (at < g.size() && g[at] != 0) at += 1 + g[at];
  return at + 1;
}

std::size_t TableBytes(std::uint8_t packed) {
  return (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0;
}

}  // namespace

std::size_t ImageDataOffset(const Bytes& g, int index) {
  if (g.size() < 13) throw std::runtime_error("no header");
  std::size_t at = 13 + TableBytes(g[10]);
  while (at < g.size()) {
    if (g[at] == 0x21) {  // extension: introducer, label, sub-blocks
      at = SkipSubBlocks(g, at + 2);
    } else if (g[at] == 0x2C) {  // image descriptor, local table, data
      std::size_t data = at + 10 + TableBytes(g[at + 9]);
      if (index-- == 0) return data;
      at = SkipSubBlocks(g, data + 1);
    } else {
      break;
    }
  }
  throw std::runtime_error("no such frame");
}

TCodeStream ReadCodes(const Bytes& g, std::size_t offset) {
  TCodeStream s;
  s.CodeSize = g.at(offset);
  Bytes data;
  std::size_t at = offset + 1;
  while (g.at(at) != 0) {
    s.BlockSizes.push_back(g[at]);
    data.insert(data.end(), g.begin() + static_cast<std::ptrdiff_t>(at + 1),
                g.begin() + static_cast<std::ptrdiff_t>(at + 1 + g[at]));
    at += 1 + g[at];
  }
  const int clear = 1 << s.CodeSize, end = clear + 1;
  int width = s.CodeSize + 1, limit = 2 * clear, nextFree = clear + 2;
  bool first = true;
  std::size_t bit = 0;
  while (bit + static_cast<std::size_t>(width) <= data.size() * 8) {
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
    s.Codes.push_back(code);
    s.Widths.push_back(width);
    if (code == end) break;
    if (code == clear) {
      width = s.CodeSize + 1;
      limit = 2 * clear;
      nextFree = clear + 2;
      first = true;
    } else if (first) {
      first = false;
    } else if (nextFree <= 4095) {
      ++nextFree;
      if (nextFree >= limit && limit <= 4095) {
        limit *= 2;
        ++width;
      }
    }
  }
  return s;
}
