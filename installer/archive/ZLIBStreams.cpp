#include "ZLIBStreams.h"

#include <zlib.h>

#include <cstring>

using zlbbase::EStreamError;
using zlbbase::TSeekOrigin;
using zlbbase::TStream;

namespace {
const char kZlibError[] = "error";
const char kInvalidOp[] = "Invalid stream operation";
const int kZlibLevel[] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};
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

int32_t TCompressionStream::Write(const void* Buffer, int32_t Count) {
  if (FFinished) throw EStreamError(kInvalidOp);
  z_stream& S = FZ->S;
  S.next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  S.avail_in = static_cast<uInt>(Count);
  while (S.avail_in > 0) {
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

int32_t TCompressionStream::Read(void*, int32_t) { throw EStreamError(kInvalidOp); }

int64_t TCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == zlbbase::soCurrent) return TotalIn();
  throw EStreamError(kInvalidOp);
}

// ---- decompressing reader -------------------------------------------------

TDecompressionStream::TDecompressionStream(TStream& Source, int32_t InputSize)
    : TCustomZlibStream(Source, InputSize) {
  if (inflateInit(&FZ->S) != Z_OK) throw EDecompressionError(kZlibError);
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&FZ->S); }

int32_t TDecompressionStream::Read(void* Buffer, int32_t Count) {
  z_stream& S = FZ->S;
  S.next_out = static_cast<Bytef*>(Buffer);
  S.avail_out = static_cast<uInt>(Count > 0 ? Count : 0);
  bool SourceEmpty = false;
  while (S.avail_out > 0 && !FEnded) {
    if (S.avail_in == 0 && !SourceEmpty) {
      if (FStrm.Position() != FStrmPos) FStrm.SetPosition(FStrmPos);
      int32_t Got = FStrm.Read(FBuffer.get(), FBufferSize);
      FStrmPos += Got;
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
  return Count - static_cast<int32_t>(S.avail_out);
}

int32_t TDecompressionStream::Write(const void*, int32_t) { throw EStreamError(kInvalidOp); }

int64_t TDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == zlbbase::soCurrent) return static_cast<int64_t>(FZ->S.total_out);
  throw EStreamError(kInvalidOp);
}
