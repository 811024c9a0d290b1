// The output side of frame image data (private to the unit): an output-only
// stream, the data sub-block packer and the base of the two encoders.
//
// A frame's image data is, in the stream:
//
//   [minimum code size]                     one byte, at least 2
//   [n][n bytes of codes] ...               sub-blocks, 1 <= n <= 255
//   [0]                                     block terminator
//
// Codes are packed least significant bit first; the encoders start with a
// clear code and end with the end-of-information code.
#pragma once

#include "gif/GIFImage.h"

#include <cstddef>
#include <cstdint>

// An output-only stream over a target stream. Reading, seeking and writing
// through this base raise "Invalid stream operation".
class TGIFStream : public TStream {
public:
  explicit TGIFStream(TStream& target) : FTarget(target) {}
  const char* ClassName() const override { return "TGIFStream"; }
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

protected:
  TStream& FTarget;
};

// Packs what is written into data sub-blocks: a size byte and up to 255
// bytes. A block goes to the target as soon as it holds 255 bytes; Flush
// writes the last, partly filled one. Empty blocks are never written.
class TGIFWriter : public TGIFStream {
public:
  explicit TGIFWriter(TStream& target) : TGIFStream(target) {}
  // Writes a block still pending. A write error here is dropped (the
  // destructor may run while an error unwinds); call Flush to see it.
  ~TGIFWriter() override;
  const char* ClassName() const override { return "TGIFWriter"; }
  std::size_t Write(const void* buffer, std::size_t count) override;
  void WriteByte(std::uint8_t b) {
    FBuffer[FPosition++] = b;
    if (FPosition == kBlockSize) WriteBlock();
  }
  // Writes the pending partial block, if any. Target write errors propagate.
  void Flush();

private:
  static constexpr int kBlockSize = 256;  // size byte + 255 data bytes
  void WriteBlock();
  std::uint8_t FBuffer[kBlockSize];
  int FPosition = 1;  // just after the size byte
};

// The base of the LZW and run-length encoders: code packing, the table
// reset and the pixel scan (row-major, or in the four interlace passes).
class TGIFEncoder {
public:
  TGIFEncoder() = default;
  virtual ~TGIFEncoder() = default;
  TGIFEncoder(const TGIFEncoder&) = delete;
  TGIFEncoder& operator=(const TGIFEncoder&) = delete;

  // Writes the minimum code size (max(codeSize, 2)), the codes of the
  // width x height pixels at `data` and the block terminator to `stream`.
  // Raises "Color not in color table" for a pixel not below `colors`; the
  // stream then holds a partial frame. A frame without pixels (null data,
  // zero width or height) gets only the end code. Target write errors
  // propagate.
  void EncodeFrame(TStream& stream, int codeSize, int colors, const std::uint8_t* data,
                   bool interlaced, int height, int width);

protected:
  static constexpr int kMaxCodeWidth = 12;
  static constexpr int kMaxCode = (1 << kMaxCodeWidth) - 1;  // 4095

  // Appends the code at the current width; whole bytes go to the writer.
  virtual void EmitCode(int code) { PutCode(code); }
  void PutCode(int code) {
    FAccumulator |= static_cast<std::uint32_t>(code) << FBitCount;
    FBitCount += FWidth;
    while (FBitCount >= 8) {
      FWriter->WriteByte(static_cast<std::uint8_t>(FAccumulator));
      FAccumulator >>= 8;
      FBitCount -= 8;
    }
  }
  // Marks the clear as pending and emits the clear code.
  virtual void ResetTable();
  virtual void EncodePixels() = 0;

  // The next stretch of pixels contiguous in memory (the whole frame, or
  // one row when interlaced); 0 at the end of the scan.
  std::size_t NextSpan(const std::uint8_t*& span);
  // "Color not in color table" unless pixel < FColors.
  void CheckPixel(int pixel) const;

  int FColors = 0;
  int FInitialCodeSize = 0;
  int FInitialWidth = 0;   // code size + 1
  int FWidth = 0;          // current code width
  int FMaxCodeOfWidth = 0; // the largest code of the current width
  int FClearCode = 0;
  int FEndCode = 0;
  int FFirstFree = 0;
  bool FClearPending = false;

private:
  void FlushBits();

  TGIFWriter* FWriter = nullptr;
  std::uint32_t FAccumulator = 0;
  int FBitCount = 0;

  // Pixel scan.
  const std::uint8_t* FData = nullptr;
  int FFrameWidth = 0;
  int FFrameHeight = 0;
  bool FInterlaced = false;
  bool FScanStarted = false;
  int FRow = 0;
  int FPass = 0;
};
