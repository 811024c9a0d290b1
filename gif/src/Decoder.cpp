#include "Decoder.h"

#include "StreamIO.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace GIFImageMessages;

namespace {

constexpr int kMaxMinimumSize = 11;  // 2^11 literals + clear + end still fit 4096 entries

// Eight bytes, little-endian (compilers make this one load).
inline std::uint64_t LoadLE64(const std::uint8_t* p) {
  return std::uint64_t(p[0]) | std::uint64_t(p[1]) << 8 | std::uint64_t(p[2]) << 16 |
         std::uint64_t(p[3]) << 24 | std::uint64_t(p[4]) << 32 | std::uint64_t(p[5]) << 40 |
         std::uint64_t(p[6]) << 48 | std::uint64_t(p[7]) << 56;
}

// The value of each literal code, with room for 8-byte reads.
struct TLiterals {
  std::uint8_t Values[4096 + 8];
};
constexpr TLiterals MakeLiterals() {
  TLiterals t{};
  for (int i = 0; i < 4096 + 8; ++i) t.Values[i] = static_cast<std::uint8_t>(i);
  return t;
}
constexpr TLiterals kLiteralTable = MakeLiterals();
constexpr const std::uint8_t* kLiterals = kLiteralTable.Values;

inline void Copy8(std::uint8_t* dst, const std::uint8_t* src) {
  std::uint64_t t;
  std::memcpy(&t, src, 8);
  std::memcpy(dst, &t, 8);
}

}  // namespace

TGIFDecoder::TGIFDecoder(TStream& stream, TGIFSubImage& frame) : FStream(stream), FFrame(frame) {
  std::memset(FWin, 0, 8);
}

bool TGIFDecoder::Start() {
  std::uint8_t size;
  if (!gifio::ReadByte(FStream, size)) return false;
  if (size > kMaxMinimumSize) {
    Abort();
    return false;
  }
  FMinimumSize = size;
  FClearCode = 1 << size;
  FEndCode = FClearCode + 1;
  ResetTable();
  Refill();
  return true;
}

// Moves the unread bytes to the front of the window and appends data
// sub-blocks up to the window's size, the terminator or the end of the
// stream. A sub-block cut short by the end of the stream is kept with the
// bytes it has; its warning waits until the codes reach it.
void TGIFDecoder::Refill() {
  const std::size_t keep = FBit >> 3;
  std::memmove(FWin, FWin + keep, FWinLen - keep);
  FWinLen -= keep;
  FBit -= keep * 8;
  if (FWarnAt != kNone) FWarnAt -= keep;  // never passed: reaching it clears it
  while (!Ended() && FWinLen + 255 <= kWindow) {
    std::uint8_t size;
    if (!gifio::ReadByte(FStream, size)) {
      FStreamEnded = true;
      break;
    }
    if (size == 0) {
      FZeroBlockSeen = true;
      break;
    }
    std::size_t got = FStream.Read(FWin + FWinLen, size);
    if (got < size) {
      FWarnAt = FWinLen;
      FCutShort = static_cast<std::int64_t>(size - got);
      FStreamEnded = true;
    }
    FWinLen += got;
  }
  std::memset(FWin + FWinLen, 0, 8);
}

// The next code of `width` bits, or -1 when the data has run out.
int TGIFDecoder::NextCodeSlow(int width) {
  for (;;) {
    if (FWarnAt != kNone && FBit + static_cast<std::size_t>(width) > FWarnAt * 8) {
      FFrame.Warning(gsWarning, _sOutOfData);
      FWarnAt = kNone;
    }
    if (FBit + static_cast<std::size_t>(width) <= FWinLen * 8) {
      int code = static_cast<int>((LoadLE64(FWin + (FBit >> 3)) >> (FBit & 7)) & ((1u << width) - 1));
      FBit += static_cast<std::size_t>(width);
      return code;
    }
    if (!Ended()) {
      Refill();
      continue;
    }
    if (FZeroBlockSeen && FBit >= FWinLen * 8) FFrame.Warning(gsWarning, _sDecodeTooFewBits);
    return -1;
  }
}

void TGIFDecoder::ResetTable() {
  FCodeWidth = FMinimumSize + 1;
  FWidthLimit = 2 * FClearCode;
  FNextFree = FClearCode + 2;
  FFirstAfterClear = true;
}

// Passes over the rest of the data sub-blocks, leaving the stream where a
// reader of one sub-block at a time would (past the end of a cut-short
// sub-block that was never reached).
void TGIFDecoder::SkipRest() {
  if (!Ended()) gifio::SkipSubBlocks(FStream);
  if (FWarnAt != kNone) FStream.Seek(FCutShort, TSeekOrigin::soCurrent);
  FWarnAt = kNone;
  FZeroBlockSeen = true;
}

void TGIFDecoder::EndOfData() {
  SkipRest();
  FFinished = true;
}

// A code that names no filled table entry: the frame ends here, as when the
// data runs out, and the rest of its data sub-blocks is passed over.
void TGIFDecoder::Abort() {
  FFrame.Warning(gsWarning, _sInvalidData);
  SkipRest();
  FFinished = true;
}

bool TGIFDecoder::ValidCode(int code) const {
  if (FFirstAfterClear) return code < FClearCode;
  return code < FNextFree || (code == FNextFree && FNextFree < kTableSize);
}

// Every code < FNextFree but the clear and end codes names a string: FLength
// values at FSource, either a literal in kLiterals or a copy of earlier
// output (the string of the code before it plus the first value of the code
// after it). Strings are copied 8 bytes at a time where at least 8 bytes of
// room follow them; bytes written past a string are overwritten by the next
// one, or put back to `fill` at the end. Once the table is full, new entries
// go to the spare slot at kTableSize, which no code names.
std::size_t TGIFDecoder::Decode(std::uint8_t* out, std::size_t count, std::uint8_t fill) {
  const int clear = FClearCode;
  for (int i = 0; i < clear; ++i) {
    FSource[i] = kLiterals + i;
    FLength[i] = 1;
  }
  FLength[clear] = FLength[clear + 1] = 0;  // the clear and end codes

  int width = FCodeWidth, limit = FWidthLimit, nextFree = FNextFree;
  std::uint32_t mask = (1u << width) - 1;
  std::size_t bit = FBit, safeBits = SafeBits();
  bool firstAfterClear = FFirstAfterClear;
  const std::size_t roomyEnd = count >= 8 ? count - 8 : 0;  // strings ending here leave 8 bytes of room
  std::size_t p = 0;
  const std::uint8_t* oldSource = nullptr;
  unsigned oldLen = 0;
  while (p < count) {
    int code;
    if (bit + 12 <= safeBits) {
      code = static_cast<int>((LoadLE64(FWin + (bit >> 3)) >> (bit & 7)) & mask);
      bit += static_cast<std::size_t>(width);
    } else {
      FBit = bit;
      code = NextCodeSlow(width);
      bit = FBit;
      safeBits = SafeBits();
      if (code < 0) {
        FFinished = FZeroBlockSeen;  // a stream that merely ended may be read again
        break;
      }
    }
    if (firstAfterClear) {  // the table starts afresh: a literal, the end code or nothing valid
      if (code == clear) continue;
      FBit = bit;
      if (code == clear + 1) {
        EndOfData();
        break;
      }
      if (code > clear) {
        Abort();
        break;
      }
      firstAfterClear = false;
      out[p] = kLiterals[code];
      oldSource = out + p;
      oldLen = 1;
      ++p;
      continue;
    }
    const std::uint8_t* src;
    unsigned len;
    if (code < nextFree && FLength[code] != 0) {
      src = FSource[code];
      len = FLength[code];
    } else if (code == nextFree && nextFree < kTableSize) {  // the entry being made
      src = oldSource;
      len = oldLen + 1;
    } else {
      FBit = bit;
      if (code == clear) {
        width = FMinimumSize + 1;
        mask = (1u << width) - 1;
        limit = 2 * clear;
        nextFree = clear + 2;
        firstAfterClear = true;
        continue;
      }
      if (code == clear + 1)
        EndOfData();
      else
        Abort();
      break;
    }
    std::uint8_t* dst = out + p;
    if (p + len <= roomyEnd) {
      Copy8(dst, src);
      for (unsigned i = 8; i < len; i += 8) Copy8(dst + i, src + i);
      if (code == nextFree) dst[len - 1] = src[0];
    } else {
      const std::size_t n = std::min<std::size_t>(len, count - p);
      for (std::size_t i = 0; i < n; ++i) dst[i] = i + 1 == len && code == nextFree ? src[0] : src[i];
      if (n < len) {
        FPending = true;  // the rest of the string lies past the frame
        p += n;
        break;
      }
    }
    FSource[nextFree] = oldSource;
    FLength[nextFree] = static_cast<std::uint16_t>(oldLen + 1);
    if (++nextFree >= limit) {
      if (limit < kTableSize) {
        limit *= 2;
        ++width;
        mask = (1u << width) - 1;
      } else {
        nextFree = kTableSize;  // full: the next entry goes to the spare slot again
      }
    }
    oldSource = dst;
    oldLen = len;
    p += len;
  }
  FBit = bit;
  FCodeWidth = width;
  FWidthLimit = limit;
  FNextFree = nextFree;
  FFirstAfterClear = firstAfterClear;
  if (p < count) std::memset(out + p, fill, std::min<std::size_t>(8, count - p));
  return p;
}

void TGIFDecoder::Finish() {
  if (!FPending && !FFinished) {
    int code = NextCodeSlow(FCodeWidth);
    while (code == FClearCode) {
      ResetTable();
      code = NextCodeSlow(FCodeWidth);
    }
    if (code == FEndCode)
      EndOfData();
    else if (code >= 0 && !ValidCode(code))
      Abort();
  }
  SkipRest();
}

// --- TGIFSubImage::Decompress ----------------------------------------------

namespace {

// The rows of an interlaced frame arrive in the order of the four passes
// (start rows 0, 4, 2, 1, steps 8, 8, 4, 2). Decoded in arrival order into
// the frame's buffer, they are moved to their places by following the
// cycles of that order with one row of scratch space.
void PlaceInterlacedRows(std::uint8_t* pixels, int width, int height) {
  static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  std::vector<int> arrival(static_cast<std::size_t>(height));  // frame row -> row of arrival
  int pass = 0, row = 0;
  for (int n = 0; n < height; ++n) {
    arrival[static_cast<std::size_t>(row)] = n;
    row += step[pass];
    while (row >= height && pass < 3) {
      ++pass;
      row = start[pass];
    }
  }
  const std::size_t w = static_cast<std::size_t>(width);
  std::vector<std::uint8_t> scratch(w);
  std::vector<bool> placed(static_cast<std::size_t>(height));
  for (int r = 0; r < height; ++r) {
    if (placed[static_cast<std::size_t>(r)] || arrival[static_cast<std::size_t>(r)] == r) continue;
    std::memcpy(scratch.data(), pixels + static_cast<std::size_t>(r) * w, w);
    int at = r;
    for (;;) {
      placed[static_cast<std::size_t>(at)] = true;
      const int from = arrival[static_cast<std::size_t>(at)];
      if (from == r) {
        std::memcpy(pixels + static_cast<std::size_t>(at) * w, scratch.data(), w);
        break;
      }
      std::memcpy(pixels + static_cast<std::size_t>(at) * w, pixels + static_cast<std::size_t>(from) * w, w);
      at = from;
    }
  }
}

}  // namespace

void TGIFSubImage::Decompress(TStream& stream) {
  NewImage();
  std::uint8_t* pixels = Data();
  std::uint8_t fill = 0;
  if (pixels && FTransparent && FGCE) fill = FGCE->GetTransparentColorIndex();
  if (fill != 0) std::memset(pixels, fill, DataSize());

  TGIFDecoder decoder(stream, *this);
  if (!decoder.Start()) return;
  if (pixels) {
    decoder.Decode(pixels, DataSize(), fill);
    if (GetInterlaced()) PlaceInterlacedRows(pixels, Width(), Height());
  }
  decoder.Finish();
}
