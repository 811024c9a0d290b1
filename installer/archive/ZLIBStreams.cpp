#include "ZLIBStreams.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {
const char kZlibError[] = "error";
const int kZlibLevel[] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};
// zlib counts in uInt: larger buffers go through in pieces of this size.
const size_t kMaxZlibPiece = size_t(1) << 30;
}  // namespace

struct TCustomZlibStream::ZState {
  z_stream S;
};

TCustomZlibStream::TCustomZlibStream(TStream& Strm, int32_t ABufferSize)
    : FStrm(Strm),
      FStrmPos(Strm.Position()),
      FZ(new ZState),
      FBufferSize(ABufferSize > 0 ? ABufferSize : BufferSize),
      FBuffer(new uint8_t[FBufferSize]) {
  std::memset(&FZ->S, 0, sizeof FZ->S);
}

TCustomZlibStream::~TCustomZlibStream() = default;

// ---- compressing writer ---------------------------------------------------

TCompressionStream::TCompressionStream(TFileCompressionLevel Level, TStream& Dest)
    : TCustomZlibStream(Dest, BufferSize) {
  if (Level > fcMaximum) throw ECompressionError(kZlibError);
  z_stream& S = FZ->S;
  if (deflateInit2(&S, kZlibLevel[Level], Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw ECompressionError(kZlibError);
  S.next_out = FBuffer.get();
  S.avail_out = BufferSize;
}

TCompressionStream::~TCompressionStream() {
  try {
    Finish();
  } catch (...) {
  }
  deflateEnd(&FZ->S);
}

// Writes the first Count bytes of the output buffer at the recorded position.
void TCompressionStream::Flush(int32_t Count) {
  if (FStrm.Position() != FStrmPos) FStrm.SetPosition(FStrmPos);
  FStrm.WriteBuffer(FBuffer.get(), Count);
  FStrmPos += Count;
  FZ->S.next_out = FBuffer.get();
  FZ->S.avail_out = BufferSize;
}

size_t TCompressionStream::Write(const void* Buffer, size_t Count) {
  if (FFinished) throw EStreamError(SInvalidStreamOp);
  z_stream& S = FZ->S;
  S.next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  for (size_t Left = Count; Left > 0 || S.avail_in > 0;) {
    if (S.avail_in == 0) {
      S.avail_in = static_cast<uInt>(std::min(Left, kMaxZlibPiece));
      Left -= S.avail_in;
    }
    if (deflate(&S, Z_NO_FLUSH) == Z_STREAM_ERROR) throw ECompressionError(kZlibError);
    if (S.avail_out == 0) {
      Flush(BufferSize);
      Progress();
    }
  }
  return Count;
}

void TCompressionStream::Finish() {
  if (FFinished) return;
  FFinished = true;
  z_stream& S = FZ->S;
  S.next_in = nullptr;
  S.avail_in = 0;
  for (;;) {
    int R = deflate(&S, Z_FINISH);
    if (R != Z_OK && R != Z_STREAM_END && R != Z_BUF_ERROR) throw ECompressionError(kZlibError);
    if (R == Z_STREAM_END) break;
    if (S.avail_out != 0) throw ECompressionError(kZlibError);  // no progress with room to spare
    Flush(BufferSize);
  }
  int32_t Rest = BufferSize - static_cast<int32_t>(S.avail_out);
  if (Rest > 0) Flush(Rest);
}

int64_t TCompressionStream::TotalIn() const { return static_cast<int64_t>(FZ->S.total_in); }

size_t TCompressionStream::Read(void*, size_t) { throw EStreamError(SInvalidStreamOp); }

int64_t TCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == TSeekOrigin::soCurrent) return TotalIn();
  throw EStreamError(SInvalidStreamOp);
}

// ---- decompressing reader -------------------------------------------------

TDecompressionStream::TDecompressionStream(TStream& Source, int32_t InputSize)
    : TCustomZlibStream(Source, InputSize) {
  if (inflateInit(&FZ->S) != Z_OK) throw EDecompressionError(kZlibError);
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&FZ->S); }

size_t TDecompressionStream::Read(void* Buffer, size_t Count) {
  size_t Done = 0;
  while (Done < Count && !FEnded) {
    const size_t Want = std::min(Count - Done, kMaxZlibPiece);
    const size_t Got = ReadPiece(static_cast<uint8_t*>(Buffer) + Done, Want);
    Done += Got;
    if (Got < Want) break;
  }
  return Done;
}

// Inflates up to Count (at most kMaxZlibPiece) bytes into Buffer.
size_t TDecompressionStream::ReadPiece(uint8_t* Buffer, size_t Count) {
  z_stream& S = FZ->S;
  S.next_out = Buffer;
  S.avail_out = static_cast<uInt>(Count);
  bool SourceEmpty = false;
  while (S.avail_out > 0 && !FEnded) {
    if (S.avail_in == 0 && !SourceEmpty) {
      if (FStrm.Position() != FStrmPos) FStrm.SetPosition(FStrmPos);
      const size_t Got = FStrm.Read(FBuffer.get(), static_cast<size_t>(FBufferSize));
      FStrmPos += static_cast<int64_t>(Got);
      S.next_in = FBuffer.get();
      S.avail_in = static_cast<uInt>(Got);
      SourceEmpty = Got == 0;
      if (Got > 0) Progress();
    }
    uInt Before = S.avail_out;
    int R = inflate(&S, Z_NO_FLUSH);
    if (OnTick) OnTick();
    if (R == Z_STREAM_END) {
      FEnded = true;
    } else if (R == Z_BUF_ERROR) {
      if (SourceEmpty) break;  // nothing more to read and nothing pending
    } else if (R != Z_OK) {
      throw EDecompressionError(kZlibError);
    } else if (SourceEmpty && S.avail_in == 0 && S.avail_out == Before) {
      break;
    }
  }
  return Count - S.avail_out;
}

size_t TDecompressionStream::Write(const void*, size_t) { throw EStreamError(SInvalidStreamOp); }

int64_t TDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == TSeekOrigin::soCurrent) return static_cast<int64_t>(FZ->S.total_out);
  throw EStreamError(SInvalidStreamOp);
}
