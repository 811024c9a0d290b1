// Byte-level helpers shared by the reader and the writer (private).
#pragma once

#include "gif/GIFImage.h"

namespace gifio {

constexpr std::uint8_t bsExtensionIntroducer = 0x21;
constexpr std::uint8_t bsImageSeparator = 0x2C;
constexpr std::uint8_t bsTrailer = 0x3B;
constexpr std::uint8_t bsPadding = 0x00;

constexpr std::uint8_t lbPlainText = 0x01;
constexpr std::uint8_t lbGraphicControl = 0xF9;
constexpr std::uint8_t lbComment = 0xFE;
constexpr std::uint8_t lbApplication = 0xFF;

// Packed-field masks.
constexpr std::uint8_t pfColorTable = 0x80;     // screen and image descriptor
constexpr std::uint8_t pfColorTableSize = 0x07;
constexpr std::uint8_t pfInterlaced = 0x40;     // image descriptor
constexpr std::uint8_t pfScreenSorted = 0x08;   // screen descriptor
constexpr std::uint8_t pfImageSorted = 0x20;    // image descriptor
constexpr std::uint8_t pfTransparent = 0x01;    // graphic control
constexpr std::uint8_t pfUserInput = 0x02;
constexpr std::uint8_t pfDisposalMask = 0x1C;
constexpr int pfDisposalShift = 2;

// One byte, or false at the end of the stream.
inline bool ReadByte(TStream& s, std::uint8_t& b) { return s.Read(&b, 1) == 1; }

// Exactly `n` bytes or "Premature end of data".
inline void ReadExact(TStream& s, void* buf, std::size_t n) {
  if (n != 0 && s.Read(buf, n) != n) throw GIFException(GIFImageMessages::_sOutOfData);
}

inline std::uint16_t LE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline void PutLE16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void WriteByte(TStream& s, std::uint8_t b) { s.WriteBuffer(&b, 1); }

// Skips data sub-blocks up to and including the 0 size byte (or the end of
// the stream).
void SkipSubBlocks(TStream& s);

// Reads data sub-blocks as text lines (one line per sub-block): "Premature
// end of data" for a short block; the end of the stream ends the list.
void ReadTextBlocks(TStream& s, TStrings& lines);
// Each line cut into pieces of at most 255 bytes, then a 0 byte.
void WriteTextBlocks(TStream& s, const TStrings& lines);

}  // namespace gifio
