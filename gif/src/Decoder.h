// The LZW decoder of frame image data (private to the unit).
//
// A bit reader over one data sub-block at a time (plus the two bytes carried
// over from the previous one, at most 257 bytes) feeds a table decoder with a
// 4096-entry table and a 4096-byte stack of pending output. Nothing is
// allocated while decoding.
#pragma once

#include "gif/GIFImage.h"

class TGIFDecoder {
public:
  // Warnings go to `frame`.
  TGIFDecoder(TStream& stream, TGIFSubImage& frame);

  // Reads the minimum code size. False when there is none (end of stream)
  // or it is past 11, in which case the data sub-blocks were skipped.
  bool Start();

  // Decodes up to `count` values into `dst`; fewer when the data ends (end
  // code, under-run or invalid code). Returns how many were written.
  int DecodeRun(std::uint8_t* dst, int count);

  // Asks for one more value (the end code, when the data is well formed),
  // then passes over whatever is left of the data sub-blocks.
  void Finish();

private:
  static constexpr int kTableSize = 4096;

  int NextCode();
  bool Refill();
  void ResetTable();
  int EndOfData();
  int Abort();
  int ExpandedLength(int code) const;
  void Expand(int code, std::uint8_t* out, int len);

  TStream& FStream;
  TGIFSubImage& FFrame;

  // Bit reader.
  std::uint8_t FBuffer[2 + 255 + 4];
  int FBitPos = 0;
  int FBitsInBuffer = 0;
  int FBytesInBuffer = 2;
  bool FDataEnded = false;
  bool FZeroBlockSeen = false;
  bool FReturnClearFirst = true;

  // Table decoder.
  int FMinimumSize = 0;
  int FCodeWidth = 0;
  int FClearCode = 0;
  int FEndCode = 0;
  int FNextFree = 0;
  int FWidthLimit = 0;
  int FOld = 0;
  std::uint8_t FFirst = 0;
  bool FFinished = false;   // an end code, an under-run or a bad code was met
  int FResult = 0;          // the negative value that ended decoding
  std::uint16_t FPrefix[kTableSize];
  std::uint16_t FLength[kTableSize];
  std::uint8_t FSuffix[kTableSize];
  std::uint8_t FStack[kTableSize];
  int FStackPos = 0;
  int FStackEnd = 0;
};
