// Minimal GIF pieces as annotated byte arrays, put together by the tests.
#pragma once

#include "Support.h"

#include <algorithm>
#include <initializer_list>

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// `data` cut into data sub-blocks of at most 255 bytes, then the terminator.
inline Bytes SubBlocks(const Bytes& data) {
  Bytes out;
  for (std::size_t at = 0; at < data.size(); at += 255) {
    std::size_t n = std::min<std::size_t>(255, data.size() - at);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  out.push_back(0);
  return out;
}

// "GIF89a", a 2 x 2 screen with a global table of black and white.
inline const Bytes kHeader = {
    'G', 'I', 'F', '8', '9', 'a',
    0x02, 0x00, 0x02, 0x00,  // screen 2 x 2
    0x80,                    // global table present, 2 entries
    0x00,                    // background index 0
    0x00,                    // aspect ratio
    0, 0, 0, 255, 255, 255,  // black, white
};

// LZW data (minimum code size 2) for the pixels 0 1 1 0:
// clear(4) 0 1 1 at 3 bits, then 0 and end(5) at 4 bits.
inline const Bytes kPixels0110 = {
    0x02,              // minimum code size
    0x03, 0x44, 0x02, 0x05,  // one sub-block of 3 bytes
    0x00,              // block terminator
};

// The same codes without the end code, ending exactly on a byte boundary.
inline const Bytes kPixels0110NoEnd = {0x02, 0x02, 0x44, 0x02, 0x00};

// Image descriptor of a frame at (left, top), w x h, no local table.
inline Bytes Descriptor(int left, int top, int w, int h, std::uint8_t packed = 0) {
  return {0x2C,  // image separator
          std::uint8_t(left), std::uint8_t(left >> 8), std::uint8_t(top), std::uint8_t(top >> 8),
          std::uint8_t(w), std::uint8_t(w >> 8), std::uint8_t(h), std::uint8_t(h >> 8), packed};
}

// A full 2 x 2 frame with the pixels 0 1 1 0.
inline const Bytes kFrame = Cat({Descriptor(0, 0, 2, 2), kPixels0110});

// Graphic control: transparent index 1, delay 7, disposal 2.
inline const Bytes kGCE = {
    0x21, 0xF9,  // extension introducer, graphic control label
    0x04,        // block size
    0x09,        // packed: disposal 2 (bits 2-4), transparent (bit 0)
    0x07, 0x00,  // delay 7
    0x01,        // transparent index 1
    0x00,        // terminator
};

inline const Bytes kComment = {0x21, 0xFE, 0x02, 'h', 'i', 0x00};

// "NETSCAPE2.0" loop sub-block with loop count 5.
inline const Bytes kLoop = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                            0x03, 0x01, 0x05, 0x00,  // sub-block: id 1, loop count 5
                            0x00};

inline const Bytes kTrailer = {0x3B};
