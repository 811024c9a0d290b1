#include "ArchiveTestUtil.h"
#include "ZLIBStreams.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mman.h>
#endif

using namespace zlbtest;
using zlbbase::EStreamError;
using zlbbase::TMemoryStream;

namespace {

Bytes Compress(const Bytes& In, TFileCompressionLevel Level, int* Reports = nullptr) {
  TMemoryStream Out;
  TCompressionStream C(Level, Out);
  if (Reports) C.OnProgress = [&](zlbbase::TObject* S) {
    ++*Reports;
    EXPECT_EQ(S, &C);
  };
  C.WriteBuffer(In.data(), static_cast<int32_t>(In.size()));
  EXPECT_EQ(C.Position(), static_cast<int64_t>(In.size()));
  C.Finish();
  return Out.Data();
}

TEST(ZlibStreams, LevelsMapToZlibLevels) {
  // FLEVEL, the top two bits of the second header byte (RFC 1950).
  struct Case {
    TFileCompressionLevel Level;
    int FLevel;
  };
  for (Case C : {Case{fcNone, 0}, Case{fcFastest, 0}, Case{fcDefault, 2}, Case{fcMaximum, 3}}) {
    SCOPED_TRACE(C.Level);
    Bytes Z = Compress(TextBytes(10000), C.Level);
    ASSERT_GE(Z.size(), 6u);
    EXPECT_EQ(Z[0], 0x78) << "deflate, 32 KiB window";
    EXPECT_EQ(Z[1] >> 6, C.FLevel);
    Bytes Back(10000);
    uLongf N = static_cast<uLongf>(Back.size());
    ASSERT_EQ(uncompress(Back.data(), &N, Z.data(), static_cast<uLong>(Z.size())), Z_OK);
    EXPECT_EQ(Back, TextBytes(10000));
  }
}

TEST(ZlibStreams, WriterReportsEachFullBufferAndWritesFromItsStartPosition) {
  TMemoryStream Out;
  Out.WriteBuffer("head", 4);
  int Reports = 0;
  {
    TCompressionStream C(fcNone, Out);
    C.OnProgress = [&](zlbbase::TObject*) { ++Reports; };
    Bytes In = RandomBytes(200000);
    C.WriteBuffer(In.data(), 100000);
    Out.SetPosition(0);  // moved by someone else: the writer goes back
    C.WriteBuffer(In.data() + 100000, 100000);
  }  // the destructor finishes the stream
  EXPECT_EQ(Reports, 3) << "three full 64 KiB buffers out of ~200,030 bytes";
  Bytes Z(Out.Data().begin() + 4, Out.Data().end());
  Bytes Back(200000);
  uLongf N = static_cast<uLongf>(Back.size());
  ASSERT_EQ(uncompress(Back.data(), &N, Z.data(), static_cast<uLong>(Z.size())), Z_OK);
  EXPECT_EQ(Back, RandomBytes(200000));
}

TEST(ZlibStreams, InvalidOperations) {
  TMemoryStream M;
  TCompressionStream C(fcDefault, M);
  uint8_t B[4];
  auto Text = [](const std::function<void()>& F) {
    try {
      F();
    } catch (const EStreamError& E) {
      return std::string(E.what());
    }
    return std::string("none");
  };
  EXPECT_EQ(Text([&] { C.Read(B, 4); }), "Invalid stream operation");
  EXPECT_EQ(Text([&] { C.Seek(1, zlbbase::soBeginning); }), "Invalid stream operation");
  Bytes Z = Compress(TextBytes(100), fcDefault);
  TMemoryStream Src;
  Src.WriteBuffer(Z.data(), static_cast<int32_t>(Z.size()));
  Src.SetPosition(0);
  TDecompressionStream D(Src);
  EXPECT_EQ(Text([&] { D.Write(B, 4); }), "Invalid stream operation");
  EXPECT_EQ(Text([&] { D.Seek(0, zlbbase::soEnd); }), "Invalid stream operation");
}

TEST(ZlibStreams, ReaderStopsAtTheEndOfItsStream) {
  Bytes Z = Compress(TextBytes(10000), fcDefault);
  TMemoryStream Src;
  Src.WriteBuffer("xx", 2);
  Src.WriteBuffer(Z.data(), static_cast<int32_t>(Z.size()));
  Src.WriteBuffer("trailing bytes", 14);
  Src.SetPosition(2);
  TDecompressionStream D(Src);
  int Ticks = 0, Refills = 0;
  D.OnTick = [&] { ++Ticks; };
  D.OnProgress = [&](zlbbase::TObject*) { ++Refills; };
  Bytes Out(20000);
  EXPECT_EQ(D.Read(Out.data(), 4096), 4096);
  EXPECT_EQ(D.Position(), 4096);
  EXPECT_EQ(D.Read(Out.data() + 4096, 15904), 10000 - 4096) << "short read at the stream's end";
  EXPECT_EQ(D.Read(Out.data(), 10), 0);
  Out.resize(10000);
  EXPECT_EQ(Out, TextBytes(10000));
  EXPECT_GE(Ticks, 2);
  EXPECT_EQ(Refills, 1);
}

TEST(ZlibStreams, BadDataRaisesError) {
  struct Case {
    const char* Name;
    Bytes Data;
    bool Raises;
  };
  Bytes Z = Compress(TextBytes(5000), fcMaximum);
  Bytes Cut(Z.begin(), Z.begin() + Z.size() / 2);
  Bytes Flipped = Z;
  Flipped[Z.size() - 1] ^= 1;  // Adler-32
  const Case Cases[] = {
      {"not zlib", {0x12, 0x34, 0x56, 0x78}, true},
      {"cut in half", Cut, false},  // the source simply ends: a short read
      {"checksum", Flipped, true},
      {"empty", {}, false},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TMemoryStream Src;
    if (!C.Data.empty()) Src.WriteBuffer(C.Data.data(), static_cast<int32_t>(C.Data.size()));
    Src.SetPosition(0);
    TDecompressionStream D(Src);
    Bytes Out(6000);
    if (C.Raises) {
      try {
        D.Read(Out.data(), 6000);
        ADD_FAILURE() << "no exception";
      } catch (const EDecompressionError& E) {
        EXPECT_STREQ(E.what(), "error");
      }
    } else {
      EXPECT_LT(D.Read(Out.data(), 6000), 5000);
    }
  }
}

#ifndef _WIN32
// A member's stored form may reach 4 GiB: WriteBuffer and ReadBuffer take
// such counts and hand them on to Write and Read uncut (size_t counts). The
// bytes are an untouched reservation that the sink never reads.
TEST(ZlibStreams, BuffersOfFourGiBMoveUncut) {
  struct Sink : zlbbase::TStream {
    size_t Read(void*, size_t Count) override { return Record(Count); }
    size_t Write(const void*, size_t Count) override { return Record(Count); }
    int64_t Seek(int64_t, zlbbase::TSeekOrigin) override { return Total; }
    size_t Record(size_t Count) {
      EXPECT_GT(Count, 0u);
      Total += Count;
      return Count;
    }
    int64_t Total = 0;
  };
  const size_t Size = 0xFFFFFFFFu;
  void* Area = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(Area, MAP_FAILED);
  Sink S;
  S.WriteBuffer(Area, Size);
  EXPECT_EQ(S.Total, int64_t(Size));
  S.Total = 0;
  S.ReadBuffer(Area, size_t(1) << 31);
  EXPECT_EQ(S.Total, int64_t(1) << 31);
  munmap(Area, Size);
}
#endif

}  // namespace
