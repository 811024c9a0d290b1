#include "Encoder.h"

#include "StreamIO.h"

#include <algorithm>
#include <cstring>

using namespace GIFImageMessages;

// --- TGIFStream ------------------------------------------------------------

std::size_t TGIFStream::Read(void*, std::size_t) { throw GIFException(_sInvalidStream); }

std::size_t TGIFStream::Write(const void*, std::size_t) { throw GIFException(_sInvalidStream); }

std::int64_t TGIFStream::Seek(std::int64_t, TSeekOrigin) { throw GIFException(_sInvalidStream); }

// --- TGIFWriter ------------------------------------------------------------

TGIFWriter::~TGIFWriter() {
  try {
    Flush();
  } catch (...) {
  }
}

std::size_t TGIFWriter::Write(const void* buffer, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(buffer);
  std::size_t left = count;
  while (left > 0) {
    std::size_t n = std::min<std::size_t>(left, static_cast<std::size_t>(kBlockSize - FPosition));
    std::memcpy(FBuffer + FPosition, p, n);
    FPosition += static_cast<int>(n);
    p += n;
    left -= n;
    if (FPosition == kBlockSize) WriteBlock();
  }
  return count;
}

void TGIFWriter::Flush() {
  if (FPosition > 1) WriteBlock();
}

// [size][size bytes]; the buffer starts over after the size byte.
void TGIFWriter::WriteBlock() {
  const int size = FPosition - 1;
  FBuffer[0] = static_cast<std::uint8_t>(size);
  FPosition = 1;
  FTarget.WriteBuffer(FBuffer, static_cast<std::size_t>(size) + 1);
}

// --- TGIFEncoder -----------------------------------------------------------

void TGIFEncoder::EncodeFrame(TStream& stream, int codeSize, int colors, const std::uint8_t* data,
                              bool interlaced, int height, int width) {
  FInitialCodeSize = codeSize < 2 ? 2 : codeSize;
  gifio::WriteByte(stream, static_cast<std::uint8_t>(FInitialCodeSize));
  FColors = colors;
  FInitialWidth = FInitialCodeSize + 1;
  FWidth = FInitialWidth;
  FMaxCodeOfWidth = (1 << FWidth) - 1;
  FClearCode = 1 << FInitialCodeSize;
  FEndCode = FClearCode + 1;
  FFirstFree = FClearCode + 2;
  FClearPending = false;
  FAccumulator = 0;
  FBitCount = 0;
  FData = data;
  FFrameWidth = width;
  FFrameHeight = height;
  FInterlaced = interlaced;
  FScanStarted = false;
  FRow = 0;
  FPass = 0;

  {
    TGIFWriter writer(stream);
    FWriter = &writer;
    if (data && width > 0 && height > 0) EncodePixels();
    EmitCode(FEndCode);
    FlushBits();
    writer.Flush();
  }
  FWriter = nullptr;
  gifio::WriteByte(stream, 0);  // block terminator
}

// The last byte is padded with zero bits.
void TGIFEncoder::FlushBits() {
  if (FBitCount > 0) FWriter->WriteByte(static_cast<std::uint8_t>(FAccumulator));
  FAccumulator = 0;
  FBitCount = 0;
}

void TGIFEncoder::ResetTable() {
  FClearPending = true;
  EmitCode(FClearCode);
}

void TGIFEncoder::CheckPixel(int pixel) const {
  if (pixel >= FColors) throw GIFException(_sInvalidColor);
}

// Without interlacing the frame is one span. With it, rows come in four
// passes (start row, step): (0, 8), (4, 8), (2, 4), (1, 2); a pass whose
// start row lies outside the frame is skipped.
std::size_t TGIFEncoder::NextSpan(const std::uint8_t*& span) {
  static const int kStart[4] = {0, 4, 2, 1};
  static const int kStep[4] = {8, 8, 4, 2};
  const std::size_t rowBytes = static_cast<std::size_t>(FFrameWidth);
  if (!FScanStarted) {
    FScanStarted = true;
    span = FData;
    return FInterlaced ? rowBytes : rowBytes * static_cast<std::size_t>(FFrameHeight);
  }
  if (!FInterlaced || FPass > 3) return 0;
  FRow += kStep[FPass];
  while (FRow >= FFrameHeight) {
    if (++FPass > 3) return 0;
    FRow = kStart[FPass];
  }
  span = FData + static_cast<std::size_t>(FRow) * rowBytes;
  return rowBytes;
}
