// The LZW decoder of frame image data (private to the unit).
//
// The data sub-blocks are read, without their size bytes, into a window of
// fixed size that is topped up as codes are taken from it, so codes are read
// 64 bits at a time with no per-block test. Decoded values go straight into
// the frame's linear pixel buffer, and a table entry is the place and length
// of its string in what was already decoded: a code's whole string is one
// copy. Nothing is allocated while decoding; the decoder's own memory is a
// fixed amount (the window and a 4096-entry table).
//
// What a reader of one sub-block at a time would do is kept exactly: a
// sub-block cut short by the end of the stream warns "Premature end of data"
// when the codes reach it, running out of codes after the terminator warns
// "Decoder bit buffer under-run" when not a bit is left, and the stream ends
// where such a reader leaves it.
#pragma once

#include "gif/GIFImage.h"

#include <cstddef>

class TGIFDecoder {
public:
  // Warnings go to `frame`.
  TGIFDecoder(TStream& stream, TGIFSubImage& frame);

  // Reads the minimum code size. False when there is none (end of stream)
  // or it is past 11, in which case the data sub-blocks were skipped.
  bool Start();

  // Decodes up to `count` values into out[0..count), a buffer that holds
  // `fill` everywhere and stays in place until Finish. Fewer values when
  // the data ends (end code, under-run or invalid code); what was not
  // reached keeps `fill`. Returns how many were written. Called once.
  std::size_t Decode(std::uint8_t* out, std::size_t count, std::uint8_t fill);

  // Asks for one more value (the end code, when the data is well formed),
  // then passes over whatever is left of the data sub-blocks.
  void Finish();

private:
  static constexpr int kTableSize = 4096;
  static constexpr std::size_t kWindow = 16384;
  static constexpr std::size_t kNone = ~std::size_t(0);

  void Refill();
  bool Ended() const { return FZeroBlockSeen || FStreamEnded; }
  std::size_t SafeBits() const { return 8 * (FWarnAt < FWinLen ? FWarnAt : FWinLen); }
  int NextCodeSlow(int width);
  void ResetTable();
  void SkipRest();
  void EndOfData();
  void Abort();
  bool ValidCode(int code) const;

  TStream& FStream;
  TGIFSubImage& FFrame;

  // Bit reader: the window holds FWinLen bytes of sub-block payload, then
  // 8 zero bytes; FBit is the next bit within it.
  std::uint8_t FWin[kWindow + 8];
  std::size_t FWinLen = 0;
  std::size_t FBit = 0;
  std::size_t FWarnAt = kNone;     // window offset of a cut-short sub-block not yet reached
  std::int64_t FCutShort = 0;      // bytes that sub-block lacks
  bool FZeroBlockSeen = false;
  bool FStreamEnded = false;

  // Table decoder.
  int FMinimumSize = 0;
  int FCodeWidth = 0;
  int FClearCode = 0;
  int FEndCode = 0;
  int FNextFree = 0;
  int FWidthLimit = 0;
  bool FFirstAfterClear = true;    // the next code starts the table afresh
  bool FFinished = false;          // an end code, an exhausted stream or a bad code was met
  bool FPending = false;           // the last string ran past the end of the output
  const std::uint8_t* FSource[kTableSize + 1];
  std::uint16_t FLength[kTableSize + 1];
};
