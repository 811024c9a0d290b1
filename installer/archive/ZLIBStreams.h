// ZLIBStreams.h - zlib streams (RFC 1950) over another stream.
//
// TCompressionStream compresses what is written to it into a destination
// stream; TDecompressionStream inflates what it reads from a source stream.
// Both are toolkit streams (toolkit/base/Classes.h), move data through
// 65,536-byte buffers and report through OnProgress.
#pragma once

#include "toolkit/base/Classes.h"

#include <cstdint>
#include <functional>
#include <memory>

// How hard members and registries are compressed: zlib levels 0, 1, -1, 9.
enum TFileCompressionLevel : uint8_t { fcNone = 0, fcFastest = 1, fcDefault = 2, fcMaximum = 3 };

// Every error the archive component raises itself (see ZLIBArchive.h).
class EArchiveError : public Exception {
public:
  using Exception::Exception;
};

// A zlib call returned an error code. Text: "error".
class ECompressionError : public EArchiveError {
public:
  using EArchiveError::EArchiveError;
};
class EDecompressionError : public EArchiveError {
public:
  using EArchiveError::EArchiveError;
};

class TCustomZlibStream : public TStream {
public:
  static const int32_t BufferSize = 65536;
  ~TCustomZlibStream() override;
  // Called with the stream as sender: by the writer each time a full output
  // buffer went to the destination, by the reader each time it refilled its
  // input buffer.
  TNotifyEvent OnProgress;

protected:
  TCustomZlibStream(TStream& Strm, int32_t ABufferSize);
  void Progress() {
    if (OnProgress) OnProgress(this);
  }
  TStream& FStrm;
  int64_t FStrmPos;  // where the next bytes go to / come from in FStrm
  struct ZState;
  std::unique_ptr<ZState> FZ;
  const int32_t FBufferSize;
  std::unique_ptr<uint8_t[]> FBuffer;
};

// Created over Dest (written from its current position on) and a level.
// Write feeds deflate without flushing. Position (Seek(0, soCurrent)) is the
// number of input bytes consumed; any other Seek, Read and SetSize raise
// EStreamError "Invalid stream operation". Finish ends the zlib stream; the
// destructor finishes too, but swallows errors, so call Finish to see them.
// A failing zlib call raises ECompressionError "error"; a failing write to
// Dest raises EWriteError "Stream write error".
class TCompressionStream : public TCustomZlibStream {
public:
  TCompressionStream(TFileCompressionLevel Level, TStream& Dest);
  ~TCompressionStream() override;
  size_t Read(void* Buffer, size_t Count) override;
  size_t Write(const void* Buffer, size_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void Finish();
  // Input bytes consumed so far.
  int64_t TotalIn() const;

private:
  void Flush(int32_t Count);
  bool FFinished = false;
};

// Created over Source positioned at the start of a zlib stream; it reads
// Source in pieces of InputSize bytes (BufferSize unless given), calling
// OnProgress after each. Read inflates until Count bytes are produced, the
// zlib stream ends or Source gives no more, and returns the number produced.
// Position is the number of bytes produced; Write, SetSize and other seeks
// raise EStreamError "Invalid stream operation". Bad data raises
// EDecompressionError "error". OnTick, when set, is called after every
// inflate step (an installer may sound a tick there; off by default).
class TDecompressionStream : public TCustomZlibStream {
public:
  explicit TDecompressionStream(TStream& Source, int32_t InputSize = BufferSize);
  ~TDecompressionStream() override;
  size_t Read(void* Buffer, size_t Count) override;
  size_t Write(const void* Buffer, size_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  std::function<void()> OnTick;

private:
  size_t ReadPiece(uint8_t* Buffer, size_t Count);
  bool FEnded = false;
};

// The spellings of the archive's former base classes, for code written
// against them: each names the toolkit's own class or value.
namespace zlbbase {
using ::EArchiveError;
using ::EStreamError;
using ::TComponent;
using ::TFileMode;
using ::TFileStream;
using ::TMemoryStream;
using ::TObject;
using ::TSeekOrigin;
using ::TStream;
using ::fmCreate;
using ::fmOpenReadWrite;
constexpr TFileMode fmOpenReadShared = fmOpenReadShareDenyWrite;
constexpr TSeekOrigin soBeginning = TSeekOrigin::soBeginning;
constexpr TSeekOrigin soCurrent = TSeekOrigin::soCurrent;
constexpr TSeekOrigin soEnd = TSeekOrigin::soEnd;
}  // namespace zlbbase
