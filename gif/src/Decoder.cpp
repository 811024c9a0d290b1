#include "Decoder.h"

#include "StreamIO.h"

#include <algorithm>
#include <cstring>

using namespace GIFImageMessages;

namespace {
constexpr int kMaxMinimumSize = 11;  // 2^11 literals + clear + end still fit 4096 entries
}

TGIFDecoder::TGIFDecoder(TStream& stream, TGIFSubImage& frame) : FStream(stream), FFrame(frame) {
  std::memset(FBuffer, 0, sizeof FBuffer);
}

bool TGIFDecoder::Start() {
  std::uint8_t size;
  if (!gifio::ReadByte(FStream, size)) return false;
  if (size > kMaxMinimumSize) {
    Abort();
    return false;
  }
  FMinimumSize = size;
  FCodeWidth = size + 1;
  FClearCode = 1 << size;
  FEndCode = FClearCode + 1;
  FNextFree = FClearCode + 2;
  FWidthLimit = 2 * FClearCode;
  return true;
}

// Loads the next data sub-block after the two bytes kept from the last one.
bool TGIFDecoder::Refill() {
  FBuffer[0] = FBuffer[FBytesInBuffer - 2];
  FBuffer[1] = FBuffer[FBytesInBuffer - 1];
  std::uint8_t size;
  if (!gifio::ReadByte(FStream, size)) return false;
  if (size != 0) {
    std::size_t got = FStream.Read(FBuffer + 2, size);
    if (got < size) {
      FFrame.Warning(gsWarning, _sOutOfData);
      size = static_cast<std::uint8_t>(got);
    }
  } else {
    FZeroBlockSeen = true;
    FDataEnded = true;
  }
  std::memset(FBuffer + 2 + size, 0, 4);
  FBitPos = FBitPos - FBitsInBuffer + 16;
  FBytesInBuffer = size + 2;
  FBitsInBuffer = FBytesInBuffer * 8;
  return true;
}

// The next code of the current width, or -1 when the data has run out.
inline int TGIFDecoder::NextCode() {
  if (FReturnClearFirst) {
    FReturnClearFirst = false;
    return FClearCode;
  }
  while (FBitPos + FCodeWidth > FBitsInBuffer) {
    if (FDataEnded) {
      if (FBitPos >= FBitsInBuffer) FFrame.Warning(gsWarning, _sDecodeTooFewBits);
      return -1;
    }
    if (!Refill()) return -1;
  }
  const std::uint8_t* p = FBuffer + (FBitPos >> 3);
  std::uint32_t v = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
  int code = static_cast<int>((v >> (FBitPos & 7)) & ((1u << FCodeWidth) - 1));
  FBitPos += FCodeWidth;
  return code;
}

void TGIFDecoder::ResetTable() {
  for (int i = 0; i < FClearCode; ++i) {
    FPrefix[i] = 0;
    FSuffix[i] = static_cast<std::uint8_t>(i);
    FLength[i] = 1;
  }
  std::memset(FPrefix + FClearCode, 0, sizeof(FPrefix[0]) * static_cast<std::size_t>(kTableSize - FClearCode));
  std::memset(FSuffix + FClearCode, 0, static_cast<std::size_t>(kTableSize - FClearCode));
  std::memset(FLength + FClearCode, 0, sizeof(FLength[0]) * static_cast<std::size_t>(kTableSize - FClearCode));
  FCodeWidth = FMinimumSize + 1;
  FWidthLimit = 2 * FClearCode;
  FNextFree = FClearCode + 2;
  FStackPos = FStackEnd = 0;
}

// The end code: the rest of the data sub-blocks is passed over.
int TGIFDecoder::EndOfData() {
  if (!FZeroBlockSeen) gifio::SkipSubBlocks(FStream);
  FZeroBlockSeen = FDataEnded = true;
  FFinished = true;
  FResult = -2;
  return FResult;
}

// A code that names no filled table entry: the frame ends here, as when the
// data runs out, and the rest of its data sub-blocks is passed over.
int TGIFDecoder::Abort() {
  FFrame.Warning(gsWarning, _sInvalidData);
  if (!FDataEnded) gifio::SkipSubBlocks(FStream);
  FZeroBlockSeen = FDataEnded = true;
  FFinished = true;
  FResult = -1;
  return FResult;
}

// Length of the string a data code stands for (the code is at most FNextFree).
inline int TGIFDecoder::ExpandedLength(int code) const {
  return code == FNextFree ? FLength[FOld] + 1 : FLength[code];
}

// Writes the string of `code` into out[0..len), then adds the table entry
// old + first character and moves old on. Prefixes always point to lower
// entries, so the walk ends within len steps.
inline void TGIFDecoder::Expand(int code, std::uint8_t* out, int len) {
  int incoming = code;
  int pos = len - 1;
  if (code == FNextFree) {
    out[pos--] = FFirst;  // the string of old, then its own first character
    code = FOld;
  }
  while (code >= FClearCode) {
    out[pos--] = FSuffix[code];
    code = FPrefix[code];
  }
  out[pos] = FSuffix[code];
  FFirst = FSuffix[code];
  if (FNextFree < kTableSize) {
    FPrefix[FNextFree] = static_cast<std::uint16_t>(FOld);
    FSuffix[FNextFree] = FFirst;
    FLength[FNextFree] = static_cast<std::uint16_t>(FLength[FOld] + 1);
    ++FNextFree;
    if (FNextFree >= FWidthLimit && FWidthLimit < kTableSize) {
      FWidthLimit *= 2;
      ++FCodeWidth;
    }
  }
  FOld = incoming;
}

int TGIFDecoder::DecodeRun(std::uint8_t* dst, int count) {
  int done = 0;
  while (done < count) {
    if (FStackPos < FStackEnd) {
      int n = std::min(count - done, FStackEnd - FStackPos);
      std::memcpy(dst + done, FStack + FStackPos, static_cast<std::size_t>(n));
      FStackPos += n;
      done += n;
      continue;
    }
    if (FFinished) return done;
    int code = NextCode();
    if (code < 0) {
      FResult = code;
      FFinished = FDataEnded;  // a stream that merely ended may be read again
      return done;
    }
    if (code == FClearCode) {
      ResetTable();
      do code = NextCode(); while (code == FClearCode);
      if (code < 0) {
        FResult = code;
        FFinished = FDataEnded;
        return done;
      }
      if (code == FEndCode) return EndOfData(), done;
      if (code > FEndCode) return Abort(), done;
      FFirst = FSuffix[code];
      FOld = code;
      dst[done++] = FFirst;
      continue;
    }
    if (code == FEndCode) return EndOfData(), done;
    if (code > FNextFree || (code == FNextFree && FNextFree >= kTableSize)) return Abort(), done;
    int len = ExpandedLength(code);
    if (len <= count - done) {
      Expand(code, dst + done, len);
      done += len;
    } else {
      Expand(code, FStack, len);
      FStackPos = 0;
      FStackEnd = len;
    }
  }
  return done;
}

void TGIFDecoder::Finish() {
  std::uint8_t extra;
  DecodeRun(&extra, 1);
  if (!FDataEnded) gifio::SkipSubBlocks(FStream);
}

// --- TGIFSubImage::Decompress ----------------------------------------------

void TGIFSubImage::Decompress(TStream& stream) {
  NewImage();
  std::uint8_t* pixels = Data();
  if (pixels && FTransparent && FGCE && FGCE->GetTransparentColorIndex() != 0)
    std::memset(pixels, FGCE->GetTransparentColorIndex(), DataSize());

  TGIFDecoder decoder(stream, *this);
  if (!decoder.Start()) return;
  const int width = Width(), height = Height();
  if (pixels) {
    if (!GetInterlaced()) {
      // Row by row keeps each run within int range for any frame size.
      for (int y = 0; y < height; ++y) {
        std::uint8_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        if (decoder.DecodeRun(row, width) < width) break;
      }
    } else {
      static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      int pass = 0, row = 0;
      for (int n = 0; n < height; ++n) {
        std::uint8_t* dst = pixels + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
        if (decoder.DecodeRun(dst, width) < width) break;
        row += step[pass];
        while (row >= height && pass < 3) {
          ++pass;
          row = start[pass];
        }
      }
    }
  }
  decoder.Finish();
}
