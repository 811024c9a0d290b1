// The BMP file form of TBitmap.
#include <algorithm>
#include <cstring>
#include <vector>

#include "toolkit/base/Bitmap.h"

namespace {

constexpr std::uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3;
constexpr int kMaxSide = 65535;  // as the stored form allows

std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

[[noreturn]] void Invalid() { throw EInvalidGraphic(SInvalidImage); }

TPixelFormat FormatForBits(int bits) {
  switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: Invalid();
  }
}

// BI_BITFIELDS is read only with the masks of the plain layouts (5-5-5 for
// 16 bits, 8-8-8 for 32), which is what writers put there in practice.
void CheckMasks(const std::uint8_t* masks, int bits) {
  std::uint32_t r = Get32(masks), g = Get32(masks + 4), b = Get32(masks + 8);
  bool ok = bits == 16 ? (r == 0x7C00 && g == 0x03E0 && b == 0x001F)
                       : bits == 32 && (r == 0xFF0000 && g == 0xFF00 && b == 0xFF);
  if (!ok) Invalid();
}

}  // namespace

//  file header (14 bytes)         info header (40 bytes and more)
//  0  "BM"                          0  header size     20 image size
//  2  file size                     4  width           24 x pixels per metre
//  6  reserved (4 bytes)            8  height (< 0:    28 y pixels per metre
// 10  offset of the pixels              top-down)      32 colours used
//                                  12  planes (1)      36 colours important
//                                  14  bits per pixel
//                                  16  compression
// then the masks (BI_BITFIELDS with a 40-byte header), the colour table
// (blue, green, red, 0), and the rows, each padded to 4 bytes.
void TBitmap::LoadFromStream(TStream& s) {
  std::int64_t start = s.Position();
  std::int64_t available = s.Size() - start;
  std::uint8_t head[kFileHeaderSize + kInfoHeaderSize];
  if (available < static_cast<std::int64_t>(sizeof head)) Invalid();
  s.ReadBuffer(head, sizeof head);
  const std::uint8_t* info = head + kFileHeaderSize;
  std::uint32_t infoSize = Get32(info);
  if (Get16(head) != kBmpSignature || infoSize < kInfoHeaderSize || infoSize > 1024) Invalid();
  std::int32_t width = static_cast<std::int32_t>(Get32(info + 4));
  std::int32_t height = static_cast<std::int32_t>(Get32(info + 8));
  int bits = Get16(info + 14);
  std::uint32_t compression = Get32(info + 16), used = Get32(info + 32);
  bool topDown = height < 0;
  if (height == INT32_MIN) Invalid();
  height = topDown ? -height : height;
  // An empty bitmap is saved with a zero side and reads back empty.
  if (Get16(info + 12) != 1 || width < 0 || width > kMaxSide || height > kMaxSide) Invalid();
  TPixelFormat format = FormatForBits(bits);
  if (compression != kBiRgb && !(compression == kBiBitfields && (bits == 16 || bits == 32))) Invalid();

  std::vector<std::uint8_t> extra(infoSize - kInfoHeaderSize + (compression == kBiBitfields && infoSize == kInfoHeaderSize ? 12 : 0));
  if (available < static_cast<std::int64_t>(sizeof head + extra.size())) Invalid();
  s.ReadBuffer(extra.data(), extra.size());
  // The three masks follow a 40-byte header and sit inside a longer one; a
  // header of 41 to 51 bytes has no room for them.
  if (compression == kBiBitfields) {
    if (extra.size() < 12) Invalid();
    CheckMasks(extra.data(), bits);
  }

  TPaletteHandle palette;
  if (bits <= 8) {
    std::uint32_t count = used ? used : 1u << bits;
    if (count > (1u << bits)) Invalid();
    std::vector<std::uint8_t> table(count * 4);
    if (available < static_cast<std::int64_t>(sizeof head + extra.size() + table.size())) Invalid();
    s.ReadBuffer(table.data(), table.size());
    auto p = std::make_shared<TPaletteData>();
    for (std::uint32_t i = 0; i < count; ++i)
      p->Entries.push_back({table[4 * i + 2], table[4 * i + 1], table[4 * i], 0});
    palette = p;
  }

  std::int64_t offset = Get32(head + 10);
  std::size_t rowBytes = static_cast<std::size_t>(((width * bits + 31) / 32) * 4);
  std::int64_t pixelBytes = static_cast<std::int64_t>(rowBytes) * height;
  if (offset < static_cast<std::int64_t>(sizeof head + extra.size()) || available - offset < pixelBytes) Invalid();
  s.SetPosition(start + offset);
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(pixelBytes));
  s.ReadBuffer(rows.data(), rows.size());

  Reallocate(0, 0, format, {});
  Reallocate(width, height, format, palette);
  for (int y = 0; y < height; ++y)
    std::memcpy(ScanLine(y), rows.data() + rowBytes * static_cast<std::size_t>(topDown ? y : height - 1 - y), rowBytes);
  Changed(this);
}

void TBitmap::SaveToStream(TStream& s) {
  int bits = BitsPerPixel();
  std::uint32_t colors =
      bits <= 8 && FPalette ? static_cast<std::uint32_t>(std::min<std::size_t>(FPalette->Entries.size(), 1u << bits)) : 0;
  std::uint32_t offset = static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + colors * 4);
  std::uint32_t imageSize = static_cast<std::uint32_t>(RowBytes()) * static_cast<std::uint32_t>(FHeight);
  std::uint8_t head[kFileHeaderSize + kInfoHeaderSize] = {};
  Put16(head, kBmpSignature);
  Put32(head + 2, offset + imageSize);
  Put32(head + 10, offset);
  std::uint8_t* info = head + kFileHeaderSize;
  Put32(info, kInfoHeaderSize);
  Put32(info + 4, static_cast<std::uint32_t>(FWidth));
  Put32(info + 8, static_cast<std::uint32_t>(FHeight));
  Put16(info + 12, 1);
  Put16(info + 14, static_cast<std::uint16_t>(bits));
  Put32(info + 20, imageSize);
  Put32(info + 24, 3780);  // 96 dots per inch
  Put32(info + 28, 3780);
  Put32(info + 32, colors);
  s.WriteBuffer(head, sizeof head);
  for (std::uint32_t i = 0; i < colors; ++i) {
    const TPaletteEntry& e = FPalette->Entries[i];
    std::uint8_t quad[4] = {e.Blue, e.Green, e.Red, 0};
    s.WriteBuffer(quad, 4);
  }
  for (int y = FHeight - 1; y >= 0; --y) s.WriteBuffer(ScanLine(y), static_cast<std::size_t>(RowBytes()));
}
