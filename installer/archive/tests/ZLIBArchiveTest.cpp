#include "ArchiveTestUtil.h"
#include "ZLIBArchive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace zlbtest;
using zlbbase::EArchiveError;
using zlbbase::TMemoryStream;

namespace {

// Runs F and returns the text of the EArchiveError it raised ("" if none).
std::string ErrorOf(const std::function<void()>& F) {
  try {
    F();
  } catch (const EArchiveError& E) {
    return E.what();
  }
  return std::string();
}

Bytes ExtractBytes(TZLBArchive& A, int Index) {
  TMemoryStream M;
  A.ExtractToStream(Index, M);
  return M.Data();
}

class ArchiveTest : public ::testing::Test {
protected:
  TempDir Dir;
  std::string Arc = Dir / "test.zlb";
  // Makes an archive of the given files (name -> contents) with a fresh component.
  void Make(const std::vector<std::pair<std::string, Bytes>>& Files, TFileCompressionLevel Level = fcDefault) {
    TZLBArchive A(nullptr);
    A.SetCompressionLevel(Level);
    A.CreateArchive(Arc);
    for (const auto& F : Files) {
      WriteFile(Dir / F.first, F.second);
      A.AddFile(Dir / F.first);
    }
  }
};

TEST_F(ArchiveTest, ByteLayoutMatchesTheTables) {
  Bytes Text = TextBytes(5000);
  WriteFile(Dir / "sub\\a.txt", Text);
  WriteFile(Dir / "empty.bin", {});
  {
    TZLBArchive A(nullptr);
    A.SetCompressionLevel(fcMaximum);
    A.SetSavePaths(true);
    A.CreateArchive(Arc);
    A.AddFile(Dir / "sub\\a.txt");
    A.AddFile(Dir / "empty.bin");
  }
  Bytes F = ReadFile(Arc);
  ASSERT_GT(F.size(), 36u);
  size_t T = F.size() - 36;
  EXPECT_EQ(GetU32(F, T + 0), Crc32(Bytes(F.begin(), F.begin() + T)));  // CRC
  EXPECT_EQ(GetU32(F, T + 4), 2u);                                        // Count
  EXPECT_EQ(GetU32(F, T + 8), 1u);                                        // constant
  uint32_t RegOffset = GetU32(F, T + 16);
  EXPECT_EQ(GetU32(F, T + 12), T - RegOffset);  // RegistrySize
  EXPECT_EQ(F[T + 20], 1);                      // RegistryCompressed
  for (int K = 21; K < 36; ++K) EXPECT_EQ(F[T + K], 0) << K;

  Bytes Reg(2 * 532);
  uLongf RegLen = static_cast<uLongf>(Reg.size());
  ASSERT_EQ(uncompress(Reg.data(), &RegLen, F.data() + RegOffset, T - RegOffset), Z_OK);
  ASSERT_EQ(RegLen, 2u * 532);

  // Entry 0: compressed text with its folder saved.
  std::string Folder = zlbhost::SystemName(Dir.Host.string()) + "\\sub\\";
  std::string Path = Folder.substr(Folder.find(':') == std::string::npos ? 0 : Folder.find(':') + 1);
  EXPECT_EQ(Reg[0], 5);
  EXPECT_EQ(std::string(Reg.begin() + 1, Reg.begin() + 6), "a.txt");
  for (int K = 6; K < 256; ++K) ASSERT_EQ(Reg[K], 0);
  EXPECT_EQ(Reg[256], Path.size());
  EXPECT_EQ(std::string(Reg.begin() + 257, Reg.begin() + 257 + Path.size()), Path);
  EXPECT_EQ(GetU32(Reg, 512), Text.size());
  uint32_t Stored0 = GetU32(Reg, 516);
  EXPECT_LT(Stored0, Text.size());
  EXPECT_EQ(GetU32(Reg, 520), 0u);  // data from offset 0
  EXPECT_EQ(GetU32(Reg, 524), Crc32(Text));
  EXPECT_EQ(Reg[528], 0);  // Stored
  EXPECT_EQ(Reg[529], 3);  // Level fcMaximum
  EXPECT_EQ(Reg[530] | Reg[531], 0);
  Bytes Inflated(Text.size());
  uLongf InfLen = static_cast<uLongf>(Inflated.size());
  ASSERT_EQ(uncompress(Inflated.data(), &InfLen, F.data(), Stored0), Z_OK);
  EXPECT_EQ(Inflated, Text);
  EXPECT_EQ(F[1] & 0xC0, 0xC0) << "level 9 zlib header";

  // Entry 1: zero-byte file stored plain right behind entry 0.
  const uint8_t* E1 = Reg.data() + 532;
  EXPECT_EQ(std::string(E1 + 1, E1 + 1 + E1[0]), "empty.bin");
  EXPECT_EQ(GetU32(Reg, 532 + 512), 0u);
  EXPECT_EQ(GetU32(Reg, 532 + 516), 0u);
  EXPECT_EQ(GetU32(Reg, 532 + 520), Stored0);
  EXPECT_EQ(GetU32(Reg, 532 + 524), 0u);
  EXPECT_EQ(E1[528], 1);
  EXPECT_EQ(E1[529], 0);
  EXPECT_EQ(RegOffset, Stored0);
}

TEST_F(ArchiveTest, RoundTripsAtEveryLevel) {
  struct Case {
    const char* Name;
    Bytes Data;
    bool Plain;  // expected Stored = 1 at levels other than fcNone
  };
  const Case Cases[] = {
      {"text", TextBytes(300000), false},
      {"random", RandomBytes(70000), true},
      {"empty", {}, true},
      {"one", {0x41}, true},
  };
  for (TFileCompressionLevel Level : {fcNone, fcFastest, fcDefault, fcMaximum}) {
    TempDir D;
    std::string Name = D / "a.zlb";
    TZLBArchive A(nullptr);
    A.SetCompressionLevel(Level);
    A.CreateArchive(Name);
    for (const Case& C : Cases) {
      WriteFile(D / C.Name, C.Data);
      A.AddFile(D / C.Name);
    }
    TZLBArchive R(nullptr);
    R.SetCheckCRC(true);
    ASSERT_TRUE(R.OpenArchive(Name));
    ASSERT_EQ(R.Count(), 4);
    for (int K = 0; K < 4; ++K) {
      SCOPED_TRACE(std::string(Cases[K].Name) + " level " + std::to_string(Level));
      TZLBEntry E;
      R.GetEntry(K, E);
      bool Plain = Cases[K].Plain || Level == fcNone;
      EXPECT_EQ(E.Stored, Plain ? 1 : 0);
      EXPECT_EQ(E.Level, Plain ? 0 : Level);
      EXPECT_EQ(E.StoredSize == E.Size, Plain);
      EXPECT_EQ(E.CRC, Crc32(Cases[K].Data));
      EXPECT_EQ(ExtractBytes(R, K), Cases[K].Data);
    }
  }
}

TEST_F(ArchiveTest, ZeroByteFileIsAnEmptyArchive) {
  WriteFile(Arc, {});
  TZLBArchive A(nullptr);
  ASSERT_TRUE(A.OpenArchive(Arc));
  EXPECT_EQ(A.Count(), 0);
  EXPECT_EQ(A.IndexOf("x"), -1);
  EXPECT_EQ(ErrorOf([&] { A.ExtractFile(Dir.Sys, 0); }), "Index out of bounds");
  WriteText(Dir / "x.txt", "hello");
  A.AddFile(Dir / "x.txt");
  EXPECT_EQ(A.Count(), 1);
  EXPECT_EQ(ExtractBytes(A, 0), Bytes({'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(ArchiveTest, IndexOutOfBoundsAtMinusOneAndCount) {
  Make({{"a.txt", TextBytes(10)}, {"b.txt", TextBytes(20)}});
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  ASSERT_EQ(A.Count(), 2);
  ASSERT_EQ(A.Trailer().Count, 2);
  for (int Index : {-1, A.Count()}) {
    SCOPED_TRACE(Index);
    TZLBEntry E;
    TMemoryStream M;
    EXPECT_EQ(ErrorOf([&] { A.GetEntry(Index, E); }), "Index out of bounds");
    EXPECT_EQ(ErrorOf([&] { A.ExtractToStream(Index, M); }), "Index out of bounds");
    EXPECT_EQ(ErrorOf([&] { A.ExtractFile(Dir.Sys, Index); }), "Index out of bounds");
  }
}

// Every text raised by the component, from the situation that raises it.
TEST_F(ArchiveTest, ErrorTexts) {
  Make({{"a.txt", TextBytes(1000)}});
  Bytes Good = ReadFile(Arc);
  struct Case {
    const char* Name;
    std::function<std::string(TZLBArchive&)> Run;
    std::string Text;
  };
  const std::string Missing = Dir / "missing.zlb";
  const std::string Bad = Dir / "bad.zlb";
  const Case Cases[] = {
      {"open missing", [&](TZLBArchive& A) { return ErrorOf([&] { A.OpenArchive(Missing); }); },
       "Archive file not found"},
      {"open a folder", [&](TZLBArchive& A) { return ErrorOf([&] { A.OpenArchive(Dir.Sys); }); },
       "Archive file not found"},
      {"open damaged",
       [&](TZLBArchive& A) {
         Bytes B = Good;
         B[3] ^= 1;
         WriteFile(Bad, B);
         return ErrorOf([&] { A.OpenArchive(Bad); });
       },
       "The archive file appears to be corrupted"},
      {"handler raises",
       [&](TZLBArchive& A) {
         A.OnArchiveOpened = [](zlbbase::TObject*) { throw std::runtime_error("no"); };
         return ErrorOf([&] { A.OpenArchive(Arc); });
       },
       "Unable to read archive file list"},
      {"extract closed", [&](TZLBArchive& A) { return ErrorOf([&] { A.ExtractFile(Dir.Sys, 0); }); },
       "No archive is currently open"},
      {"add closed", [&](TZLBArchive& A) { return ErrorOf([&] { A.AddFile(Dir / "a.txt"); }); },
       "No archive is currently open"},
      {"indexof closed", [&](TZLBArchive& A) { return ErrorOf([&] { A.IndexOf("a.txt"); }); },
       "No archive is currently open"},
      {"create existing", [&](TZLBArchive& A) { return ErrorOf([&] { A.CreateArchive(Arc); }); },
       "File already exists"},
      {"add twice",
       [&](TZLBArchive& A) {
         A.OpenArchive(Arc);
         return ErrorOf([&] { A.AddFile(Dir / "A.TXT"); });
       },
       "File already exists"},
      {"add missing source",
       [&](TZLBArchive& A) {
         A.OpenArchive(Arc);
         return ErrorOf([&] { A.AddFile(Dir / "nope.txt"); });
       },
       "Unable to open file (" + (Dir / "nope.txt") + ")"},
      {"add after open failed",
       [&](TZLBArchive& A) {
         ErrorOf([&] { A.OpenArchive(Missing); });
         WriteText(Missing, "not an archive");
         return ErrorOf([&] { A.AddFile(Dir / "a.txt"); });
       },
       "Unable to open file (" + Missing + ")"},
      {"archive name is a folder",
       [&](TZLBArchive& A) {
         zlbhost::ForceDirectories(Dir / "folder.zlb");
         A.CreateArchive(Dir / "folder.zlb");
         return ErrorOf([&] { A.AddFile(Dir / "a.txt"); });
       },
       "Unable to update archive (" + (Dir / "folder.zlb") + ")"},
      {"target is a folder",
       [&](TZLBArchive& A) {
         zlbhost::ForceDirectories(Dir / "out\\a.txt");
         A.OpenArchive(Arc);
         return ErrorOf([&] { A.ExtractFile(Dir / "out", 0); });
       },
       "Unable to open file (" + (Dir / "out\\a.txt") + ")"},
      {"empty directory text",
       [&](TZLBArchive& A) {
         A.OpenArchive(Arc);
         A.SetExtractWithPath(true);
         return ErrorOf([&] { A.ExtractFile("", 0); });
       },
       "Unable to create directory"},
      {"destination path blocked by a file",
       [&](TZLBArchive& A) {
         A.OpenArchive(Arc);
         A.SetExtractWithPath(true);
         return ErrorOf([&] { A.ExtractFile(Dir / "a.txt\\sub", 0); });
       },
       "Unable to create destination path"},
      {"extract from vanished archive",
       [&](TZLBArchive& A) {
         WriteFile(Bad, Good);
         A.OpenArchive(Bad);
         zlbhost::EraseFile(Bad);
         TMemoryStream M;
         return ErrorOf([&] { A.ExtractToStream(0, M); });
       },
       "Unable to open file (" + Bad + ")"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TZLBArchive A(nullptr);
    EXPECT_EQ(C.Run(A), C.Text);
  }
  EXPECT_EQ(ReadFile(Arc), Good);
  for (const auto& It : std::filesystem::directory_iterator(Dir.Host))
    EXPECT_NE(It.path().filename().string().substr(0, 3), "ZLB") << "temporary file left: " << It.path();
}

// Fixed texts of hostile or damaged files, each built from a good archive.
TEST_F(ArchiveTest, DamagedArchivesAreRefused) {
  Make({{"a.txt", TextBytes(3000)}, {"b.bin", RandomBytes(100)}});
  const Bytes Good = ReadFile(Arc);
  const size_t T = Good.size() - 36;
  struct Case {
    const char* Name;
    std::function<void(Bytes&)> Damage;
    std::string Text;  // "" = opens
  };
  const Case Cases[] = {
      {"one byte", [](Bytes& B) { B.resize(1); }, "The archive file appears to be corrupted"},
      {"35 bytes", [](Bytes& B) { B.resize(35); }, "The archive file appears to be corrupted"},
      {"member byte", [](Bytes& B) { B[10] ^= 0x80; }, "The archive file appears to be corrupted"},
      {"trailer CRC", [&](Bytes& B) { B[T] ^= 1; }, "The archive file appears to be corrupted"},
      {"constant field unnoticed", [&](Bytes& B) { B[T + 8] = 7; }, ""},
      {"registry size unnoticed", [&](Bytes& B) { PutU32(B, T + 12, 99); }, ""},
      {"reserved unnoticed", [&](Bytes& B) { B[T + 30] = 0xFF; }, ""},
      {"huge count", [&](Bytes& B) { PutU32(B, T + 4, 0x7FFFFFFF), Reseal(B); }, "Unable to read archive file list"},
      {"negative count", [&](Bytes& B) { PutU32(B, T + 4, 0xFFFFFFFF), Reseal(B); }, "Unable to read archive file list"},
      {"offset past trailer", [&](Bytes& B) { PutU32(B, T + 16, static_cast<uint32_t>(T + 1)), Reseal(B); },
       "Unable to read archive file list"},
      {"registry not zlib", [&](Bytes& B) { B[GetU32(B, T + 16)] ^= 0xFF, Reseal(B); },
       "Unable to read archive file list"},
      {"count one more", [&](Bytes& B) { PutU32(B, T + 4, 3), Reseal(B); }, "Unable to read archive file list"},
      {"plain flag on a zlib registry", [&](Bytes& B) { B[T + 20] = 0, Reseal(B); },
       "Unable to read archive file list"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Bytes B = Good;
    C.Damage(B);
    WriteFile(Arc, B);
    TZLBArchive A(nullptr);
    EXPECT_EQ(ErrorOf([&] { A.OpenArchive(Arc); }), C.Text);
    if (!C.Text.empty()) {
      EXPECT_EQ(A.ArchiveName(), "");
      EXPECT_EQ(A.Count(), 0);
    }
  }
}

TEST_F(ArchiveTest, MembersOutsideTheirBoundsAreCorrupt) {
  Bytes Data = TextBytes(5000);
  struct Case {
    const char* Name;
    bool Deflate;
    std::function<void(Bytes&)> Damage;  // on the plain registry of BuildArchive
  };
  auto EntryAt = [](Bytes& B) { return B.size() - 36 - 532; };
  const Case Cases[] = {
      {"size past the member data", false, [&](Bytes& B) { PutU32(B, EntryAt(B) + 512, 6000); }},
      {"offset overflow", false, [&](Bytes& B) { PutU32(B, EntryAt(B) + 520, 0xFFFFFF00u); }},
      {"offset past the member data", true, [&](Bytes& B) { PutU32(B, EntryAt(B) + 520, 0x10000); }},
      {"zlib stream shorter than Size", true, [&](Bytes& B) { PutU32(B, EntryAt(B) + 512, 6000); }},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Bytes B = BuildArchive({{"a.txt", "", Data, C.Deflate}});
    C.Damage(B);
    Reseal(B);
    WriteFile(Arc, B);
    TZLBArchive A(nullptr);
    A.OpenArchive(Arc);
    TMemoryStream M;
    EXPECT_EQ(ErrorOf([&] { A.ExtractToStream(0, M); }), "File (0) is corrupt");
    EXPECT_LE(M.Size(), 5000);
  }
}

// A zlib stream longer than Size yields Size bytes and no more.
TEST_F(ArchiveTest, MemberNeverProducesMoreThanSize) {
  Bytes B = BuildArchive({{"a.txt", "", TextBytes(9000), true}});
  PutU32(B, B.size() - 36 - 532 + 512, 4100);
  Reseal(B);
  WriteFile(Arc, B);
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  Bytes Full = TextBytes(9000);
  EXPECT_EQ(ExtractBytes(A, 0), Bytes(Full.begin(), Full.begin() + 4100));
}

TEST_F(ArchiveTest, UnsafeNamesAreNotExtracted) {
  struct Case {
    const char* Name;
    RawMember M;
    bool WithPath;
  };
  const Case Cases[] = {
      {"parent in name", {"..\\evil.txt", "", {1, 2}}, false},
      {"slash in name", {"../evil.txt", "", {1, 2}}, false},
      {"drive in name", {"c:evil.txt", "", {1, 2}}, false},
      {"dot dot", {"..", "", {1, 2}}, false},
      {"empty name", {"", "", {1, 2}}, false},
      {"parent in path", {"evil.txt", "..\\..\\", {1, 2}}, true},
      {"parent inside path", {"evil.txt", "\\a\\..\\..\\..\\", {1, 2}}, true},
      {"drive in path", {"evil.txt", "c:\\x\\", {1, 2}}, true},
      // Windows opens these as devices, so the data would be lost.
      {"device", {"NUL", "", {1, 2}}, false},
      {"device with space and extension", {"nul .txt", "", {1, 2}}, false},
      {"device with trailing dot", {"CON.", "", {1, 2}}, false},
      {"device with extension", {"aux.log", "", {1, 2}}, false},
      {"numbered device", {"Com7", "", {1, 2}}, false},
      {"printer port with extension", {"lpt1.txt", "", {1, 2}}, false},
      {"port with superscript one", {"COM\xB9", "", {1, 2}}, false},
      {"port with superscript two", {"lpt\xB2.dat", "", {1, 2}}, false},
      {"port with superscript three", {"LPT\xB3", "", {1, 2}}, false},
      {"console input", {"CONIN$", "", {1, 2}}, false},
      {"device folder", {"a.txt", "\\prn\\", {1, 2}}, true},
      // Windows drops a trailing dot or space, so another file is written.
      {"trailing dot", {"name.", "", {1, 2}}, false},
      {"trailing space", {"name ", "", {1, 2}}, false},
      {"folder with trailing space", {"a.txt", "\\dir \\", {1, 2}}, true},
      // A NUL would cut the name short; other control characters are refused too.
      {"NUL inside", {std::string("a\0b.txt", 7), "", {1, 2}}, false},
      {"tab", {"a\tb.txt", "", {1, 2}}, false},
      {"control in folder", {"a.txt", "\\d\x01\\", {1, 2}}, true},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TempDir D;
    WriteFile(D / "a.zlb", BuildArchive({{"ok.txt", "", {9}}, C.M}));
    TZLBArchive A(nullptr);
    A.SetExtractWithPath(C.WithPath);
    A.OpenArchive(D / "a.zlb");
    zlbhost::ForceDirectories(D / "out\\deep\\er");
    EXPECT_EQ(ErrorOf([&] { A.ExtractFile(D / "out\\deep\\er", 1); }), "Unsafe file name in archive (1)");
    size_t Items = 0;
    for (auto It = std::filesystem::recursive_directory_iterator(D.Host); It != decltype(It)(); ++It) ++Items;
    EXPECT_EQ(Items, 4u) << "a.zlb, out, deep, er and nothing else";
  }
}

// Names close to the refused ones are ordinary files.
TEST_F(ArchiveTest, NamesLikeDevicesAreExtracted) {
  const char* const Names[] = {"console.txt", "COM10", "LPT", "com0", "nul_x.txt", "prn1", ".hidden", "a.b.c",
                               "caf\xE9", "COM\xB4"};
  std::vector<RawMember> Members;
  for (const char* N : Names) Members.push_back({N, "\\d.x\\.\\", Bytes(N, N + 3)});
  WriteFile(Arc, BuildArchive(Members));
  TZLBArchive A(nullptr);
  A.SetExtractWithPath(true);
  A.OpenArchive(Arc);
  for (int K = 0; K < A.Count(); ++K) {
    SCOPED_TRACE(Names[K]);
    A.ExtractFile(Dir / "out", K);
    EXPECT_EQ(ReadFile(Dir / ("out\\d.x\\" + std::string(Names[K]))), Bytes(Names[K], Names[K] + 3));
  }
}

TEST_F(ArchiveTest, ExtractWithPathRecreatesFolders) {
  Bytes Data = TextBytes(100);
  WriteFile(Arc, BuildArchive({{"x.txt", "\\A\\B\\", Data}, {"y.txt", "", Data}}));
  TZLBArchive A(nullptr);
  A.SetExtractWithPath(true);
  A.OpenArchive(Arc);
  std::vector<std::string> Extracted;
  A.OnFileExtracted = [&](const std::string& F) { Extracted.push_back(F); };
  std::string Out = Dir / "out\\";
  A.ExtractFile(Out, 0);  // "out\" + "\A\B\": the doubled backslash collapses
  A.ExtractFile(Out, 1);
  EXPECT_EQ(ReadFile(Dir / "out\\A\\B\\x.txt"), Data);
  EXPECT_EQ(ReadFile(Dir / "out\\y.txt"), Data);
  EXPECT_EQ(Extracted, (std::vector<std::string>{Out + "x.txt", Out + "y.txt"}));
}

TEST_F(ArchiveTest, ExtractFileJoinsDestinationAndNameAsGiven) {
  Make({{"a.txt", TextBytes(10)}});
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  std::vector<std::string> Got;
  A.OnFileExtracted = [&](const std::string& F) { Got.push_back(F); };
  zlbhost::ForceDirectories(Dir / "d");
  A.ExtractFile(Dir / "d\\", 0);
  A.ExtractFile(Dir / "d", 0);
  EXPECT_EQ(Got, (std::vector<std::string>{Dir / "d\\a.txt", Dir / "da.txt"}));
  EXPECT_EQ(ReadFile(Dir / "d\\a.txt"), TextBytes(10));
}

TEST_F(ArchiveTest, ReplaceFileHandlerDecides) {
  Make({{"a.txt", TextBytes(50)}});
  zlbhost::ForceDirectories(Dir / "out");
  const std::string Target = Dir / "out\\a.txt";
  struct Case {
    const char* Name;
    bool Assign;
    bool Answer;
    bool Overwritten;
  };
  for (const Case& C : {Case{"no handler", false, false, true}, Case{"handler says no", true, false, false},
                        Case{"handler says yes", true, true, true}}) {
    SCOPED_TRACE(C.Name);
    WriteText(Target, "old");
    TZLBArchive A(nullptr);
    A.OpenArchive(Arc);
    std::vector<std::string> Log;
    if (C.Assign)
      A.OnReplaceFile = [&](const std::string& F, bool& Replace) {
        Log.push_back("replace? " + F + (Replace ? " true" : " false"));
        Replace = C.Answer;
      };
    A.OnFileExtracted = [&](const std::string&) { Log.push_back("extracted"); };
    A.OnProgress = [&](const std::string& Msg, int P) {
      if (Msg == Arc) Log.push_back("idle " + std::to_string(P));
    };
    A.ExtractFile(Dir / "out", 0);
    EXPECT_EQ(ReadFile(Target) == TextBytes(50), C.Overwritten);
    std::vector<std::string> Want;
    if (C.Assign) Want.push_back("replace? " + Target + " false");
    if (C.Overwritten) Want.push_back("extracted");
    Want.push_back("idle 0");
    EXPECT_EQ(Log, Want);
  }
}

TEST_F(ArchiveTest, CheckCRCCatchesDamagedPlainMembers) {
  Bytes Data = RandomBytes(3000);
  Bytes B = BuildArchive({{"r.bin", "", Data}});
  B[100] ^= 0x55;
  Reseal(B);
  WriteFile(Arc, B);
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  Bytes Out = ExtractBytes(A, 0);
  EXPECT_NE(Out, Data);
  EXPECT_EQ(Out.size(), Data.size());
  A.SetCheckCRC(true);
  TMemoryStream M;
  EXPECT_EQ(ErrorOf([&] { A.ExtractToStream(0, M); }), "File (0) failed CRC check");
  EXPECT_EQ(M.Size(), 3000) << "the target keeps what was written";
}

TEST_F(ArchiveTest, DamagedZlibMemberIsCorrupt) {
  Bytes B = BuildArchive({{"t.txt", "", TextBytes(20000), true}});
  B[0] ^= 0xFF;  // zlib header
  Reseal(B);
  WriteFile(Arc, B);
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  TMemoryStream M;
  EXPECT_EQ(ErrorOf([&] { A.ExtractToStream(0, M); }), "File (0) is corrupt");
}

TEST_F(ArchiveTest, SavePathsKeysIgnoreLetterCaseAndDrive) {
  WriteText(Dir / "Sub\\X.txt", "x");
  TZLBArchive A(nullptr);
  A.SetSavePaths(true);
  A.CreateArchive(Arc);
  A.AddFile(Dir / "Sub\\X.txt");
  TZLBEntry E;
  A.GetEntry(0, E);
  std::string Folder = Dir / "Sub\\";
  std::string NoDrive = Folder.substr(Folder.find(':') == std::string::npos ? 0 : Folder.find(':') + 1);
  EXPECT_EQ(E.PathText(), NoDrive);
  EXPECT_EQ(E.NameText(), "X.txt");
  EXPECT_EQ(A.IndexOf("Q:" + NoDrive + "x.TXT"), 0);
  std::string Upper = Dir / "SUB\\x.txt";
  for (char& C : Upper) C = static_cast<char>(toupper(static_cast<unsigned char>(C)));
  EXPECT_EQ(ErrorOf([&] { A.AddFile(Upper); }), "File already exists");
  EXPECT_EQ(A.IndexOf(Dir / "Other\\X.txt"), -1);
  // Without saved paths only the names count.
  A.SetSavePaths(false);
  EXPECT_EQ(A.IndexOf(Dir / "Other\\x.TXT"), -1) << "the stored path is part of the entry's key";
}

TEST_F(ArchiveTest, SameNameFromTwoFoldersWithoutPaths) {
  WriteText(Dir / "one\\n.txt", "1");
  WriteText(Dir / "two\\n.txt", "2");
  TZLBArchive A(nullptr);
  A.CreateArchive(Arc);
  A.AddFile(Dir / "one\\n.txt");
  EXPECT_EQ(ErrorOf([&] { A.AddFile(Dir / "two\\n.txt"); }), "File already exists");
  EXPECT_EQ(A.Count(), 1);
}

// Every event is logged, repeats included: AddFile's close and the close
// that starts OpenArchive each report ("", 0).
TEST_F(ArchiveTest, EventOrder) {
  WriteFile(Dir / "big.txt", TextBytes(200000));
  std::vector<std::string> Log;
  TZLBArchive A(nullptr);
  A.OnProgress = [&](const std::string& Msg, int P) { Log.push_back(Msg + " " + std::to_string(P)); };
  A.OnArchiveOpened = [&](zlbbase::TObject* S) { Log.push_back(S == &A ? "opened" : "opened?"); };
  A.OnFileExtracted = [&](const std::string& F) { Log.push_back("extracted " + F); };
  A.SetCompressionLevel(fcNone);  // output grows as fast as input: reports while compressing
  A.CreateArchive(Arc);
  EXPECT_EQ(Log, (std::vector<std::string>{" 0", "opened"}));
  Log.clear();
  A.AddFile(Dir / "big.txt");
  const std::string Upd = "Updating " + (Dir / "big.txt");
  // 64 KiB output buffers full after 65,531 / 131,067 / 196,603 bytes of
  // input (stored blocks); the 532-byte registry fills none.
  std::vector<std::string> Want = {Upd + " 33", Upd + " 66", Upd + " 98", " 0", " 0",
                                   "Extracting archive registry 100", "opened", Arc + " 0"};
  EXPECT_EQ(Log, Want);

  Log.clear();
  A.OpenArchive(Arc);
  EXPECT_EQ(Log, (std::vector<std::string>{" 0", "Extracting archive registry 100", "opened", Arc + " 0"}));

  Log.clear();
  A.ExtractFile(Dir.Sys, 0);  // overwrites big.txt with itself
  Want.clear();
  for (int64_t Done = 4096; Done < 200000 + 4096; Done += 4096)
    Want.push_back("Extracting big.txt " +
                   std::to_string(static_cast<int>(std::nearbyint(std::min<int64_t>(Done, 200000) / 2000.0))));
  Want.push_back("extracted " + Dir.Sys + "big.txt");
  Want.push_back(Arc + " 0");
  EXPECT_EQ(Log, Want);
  EXPECT_EQ(ReadFile(Dir / "big.txt"), TextBytes(200000));
}

// Extraction moves large chunks, yet the destination holds exactly the
// 4,096-byte steps before the one that failed or whose report raised.
TEST_F(ArchiveTest, DestinationHoldsTheStepsBeforeAFailure) {
  const Bytes Data = TextBytes(300000);
  struct Case {
    const char* Name;
    bool Deflate;
    int RaiseAtReport;  // 0: the handler never raises
    bool Damaged;       // the zlib stream fails part way
    int64_t Kept;       // bytes left in the destination (computed when damaged)
  };
  const Case Cases[] = {
      {"handler raises, plain", false, 3, false, 2 * 4096},
      {"handler raises, deflated", true, 40, false, 39 * 4096},
      {"zlib stream damaged", true, 0, true, 0},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Bytes B = BuildArchive({{"a.txt", "", Data, C.Deflate}});
    int64_t Kept = C.Kept;
    Bytes Expected = Data;
    if (C.Damaged) {
      // The second half of the stored bytes zeroed: the stream fails or ends
      // early part way, after producing bytes (garbage among them) that zlib
      // shows.
      const size_t Stored = GetU32(B, B.size() - 36 - 532 + 516);
      std::fill(B.begin() + Stored / 2, B.begin() + Stored, 0);
      Reseal(B);
      z_stream Z{};
      inflateInit(&Z);
      Z.next_in = B.data();
      Z.avail_in = static_cast<uInt>(B.size());  // the reader goes on past the member
      Z.next_out = Expected.data();
      Z.avail_out = static_cast<uInt>(Expected.size());
      const int R = inflate(&Z, Z_NO_FLUSH);
      ASSERT_TRUE(R == Z_OK || R == Z_DATA_ERROR) << R;
      Kept = Z.total_out / 4096 * 4096;  // the whole steps before the fault
      inflateEnd(&Z);
    }
    WriteFile(Arc, B);
    TZLBArchive A(nullptr);
    A.OpenArchive(Arc);
    int Reports = 0;
    A.OnProgress = [&](const std::string&, int) {
      if (++Reports == C.RaiseAtReport) throw std::runtime_error("cancelled");
    };
    TMemoryStream M;
    try {
      A.ExtractToStream(0, M);
      ADD_FAILURE() << "no error";
    } catch (const std::exception& E) {
      EXPECT_EQ(std::string(E.what()), C.RaiseAtReport ? "cancelled" : "File (0) is corrupt");
    }
    ASSERT_EQ(M.Size(), Kept);
    EXPECT_EQ(M.Data(), Bytes(Expected.begin(), Expected.begin() + Kept));
  }
}

// Percentages are rounded half to even: 4,096 of 32,768 bytes is 12.5 %.
TEST_F(ArchiveTest, ExtractionPercentagesRoundHalfToEven) {
  Make({{"a.bin", TextBytes(32768)}});
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  std::vector<int> Seen;
  int Ticks = 0;
  A.OnProgress = [&](const std::string&, int P) { Seen.push_back(P); };
  A.OnInflateTick = [&] { ++Ticks; };
  ExtractBytes(A, 0);
  EXPECT_EQ(Seen, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
  EXPECT_GE(Ticks, 8) << "a tick per inflate step when the hook is set";
}

// A registry that inflates to less than Count records ends the read at the
// first short step, instead of reading and reporting up to Count x 532 bytes.
TEST_F(ArchiveTest, ShortRegistryStopsAtTheFirstShortRead) {
  Bytes B = BuildArchive({{"a.txt", "", TextBytes(100)}});
  const size_t RegAt = 100;
  Bytes Plain(B.begin() + RegAt, B.end() - 36);
  ASSERT_EQ(Plain.size(), 532u);
  uLongf N = compressBound(532);
  Bytes Packed(N);
  ASSERT_EQ(compress(Packed.data(), &N, Plain.data(), 532), Z_OK);
  Packed.resize(N);
  Packed.resize(N + 4000, 0);  // room for the size check to let Count pass
  Bytes T(B.end() - 36, B.end());
  B.resize(RegAt);
  B.insert(B.end(), Packed.begin(), Packed.end());
  B.insert(B.end(), T.begin(), T.end());
  const size_t At = B.size() - 36;
  PutU32(B, At + 4, 5000);  // Count
  B[At + 20] = 1;           // RegistryCompressed
  Reseal(B);
  WriteFile(Arc, B);

  TZLBArchive A(nullptr);
  int Steps = 0;
  A.OnProgress = [&](const std::string& Msg, int) { Steps += Msg == "Extracting archive registry"; };
  EXPECT_EQ(ErrorOf([&] { A.OpenArchive(Arc); }), "Unable to read archive file list");
  EXPECT_EQ(Steps, 1);
  EXPECT_EQ(A.Count(), 0);
}

// Keys are compared whole: a path and name longer than 255 characters in all
// is not cut to its first 255, and a folder or name that no entry can hold
// matches nothing.
TEST_F(ArchiveTest, LongKeysAreComparedWhole) {
  const std::string Deep = "\\" + std::string(70, 'd') + "\\" + std::string(70, 'e') + "\\" + std::string(70, 'f') + "\\";
  const std::string One = std::string(120, 'n') + "1.txt", Two = std::string(120, 'n') + "2.txt";
  const std::string Long(255, 'x');
  WriteFile(Arc, BuildArchive({{One, Deep, {1}}, {Two, Deep, {2}}, {Long, "", {3}}}));
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  A.SetSavePaths(true);
  EXPECT_EQ(A.IndexOf("C:" + Deep + One), 0);
  EXPECT_EQ(A.IndexOf("C:" + Deep + Two), 1);
  EXPECT_EQ(A.IndexOf(Deep + std::string(120, 'n') + "3.txt"), -1);
  EXPECT_EQ(A.IndexOf(std::string(256, 'p') + "\\" + Long), -1) << "a folder longer than 255 characters";
  // Without paths: a 256-character name is not the stored 255-character one.
  A.SetSavePaths(false);
  EXPECT_EQ(A.IndexOf(Long), 2);
  EXPECT_EQ(A.IndexOf(Long + "x"), -1);
  EXPECT_EQ(A.IndexOf(Long + "xyz"), -1);
}

// When compressing the registry fails, the records are written plain at the
// registry offset, and the archive reads back.
TEST_F(ArchiveTest, RegistryFallsBackToPlainRecords) {
  Make({{"a.txt", TextBytes(3000)}, {"b.bin", RandomBytes(700)}});
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  const Bytes Good = ReadFile(Arc);
  const uint32_t DataEnd = A.Trailer().RegistryOffset;
  TMemoryStream Dest;
  Dest.WriteBuffer(Good.data(), DataEnd);
  A.SetCompressionLevel(static_cast<TFileCompressionLevel>(4));  // no zlib level: deflateInit fails
  A.WriteRegistry(Dest);
  const Bytes& Out = Dest.Data();
  ASSERT_EQ(Out.size(), DataEnd + 2 * 532 + 36u);
  const size_t T = Out.size() - 36;
  EXPECT_EQ(GetU32(Out, T + 4), 2u);
  EXPECT_EQ(GetU32(Out, T + 12), 0u) << "RegistrySize";
  EXPECT_EQ(GetU32(Out, T + 16), DataEnd);
  EXPECT_EQ(Out[T + 20], 0) << "RegistryCompressed";
  EXPECT_EQ(GetU32(Out, T), Crc32(Bytes(Out.begin(), Out.begin() + T)));
  EXPECT_EQ(std::string(Out.begin() + DataEnd + 1, Out.begin() + DataEnd + 6), "a.txt");
  EXPECT_EQ(std::string(Out.begin() + DataEnd + 532 + 1, Out.begin() + DataEnd + 532 + 6), "b.bin");

  WriteFile(Dir / "plain.zlb", Out);
  TZLBArchive R(nullptr);
  R.SetCheckCRC(true);
  ASSERT_TRUE(R.OpenArchive(Dir / "plain.zlb"));
  ASSERT_EQ(R.Count(), 2);
  EXPECT_EQ(ExtractBytes(R, 0), TextBytes(3000));
  EXPECT_EQ(ExtractBytes(R, 1), RandomBytes(700));
}

#ifndef _WIN32
// The archive is written to a temporary file and renamed over the old one:
// the old file's permissions stay, and a new archive gets 0666 less the umask.
TEST_F(ArchiveTest, ArchivePermissions) {
  auto Mode = [&] {
    struct stat St;
    EXPECT_EQ(stat((Dir.Host / "test.zlb").c_str(), &St), 0);
    return St.st_mode & 07777;
  };
  WriteText(Dir / "a.txt", "a");
  WriteText(Dir / "b.txt", "b");
  const mode_t Saved = umask(022);
  TZLBArchive A(nullptr);
  A.CreateArchive(Arc);
  A.AddFile(Dir / "a.txt");
  umask(Saved);
  EXPECT_EQ(Mode(), 0644u);
  ASSERT_EQ(chmod((Dir.Host / "test.zlb").c_str(), 0604), 0);
  A.AddFile(Dir / "b.txt");
  EXPECT_EQ(Mode(), 0604u);
  EXPECT_EQ(A.Count(), 2);
}
#endif

// The temporary file lies beside the archive, so that it can be renamed over it.
TEST_F(ArchiveTest, TemporaryFileIsBesideTheArchive) {
  struct Recording : TZLBArchive {
    Recording() : TZLBArchive(nullptr) {}
    void MakeTempFileName(std::string& Name) override {
      TZLBArchive::MakeTempFileName(Name);
      Made.push_back(Name);
    }
    std::vector<std::string> Made;
  } A;
  WriteText(Dir / "x.txt", "x");
  A.CreateArchive(Arc);
  A.AddFile(Dir / "x.txt");
  ASSERT_EQ(A.Made.size(), 1u);
  EXPECT_EQ(A.Made[0].rfind(Dir.Sys + "\\ZLB", 0), 0u) << A.Made[0];
  EXPECT_FALSE(zlbhost::FileExists(A.Made[0]));
}

// The installer's data file: eight files at fcMaximum without paths.
TEST_F(ArchiveTest, InstallerDataFileShape) {
  const char* Names[] = {"Maven.exe", "MavenHelp.dll", "Maven License.txt", "Original rules.zip",
                         "..\\Rules\\Distrib\\Original rules.add", "..\\Rules\\Distrib\\original rules.txt",
                         "..\\Rules\\Distrib\\originalrules.bmp", "..\\Rules\\Distrib\\rules.ini"};
  std::vector<std::string> Files;
  for (int K = 0; K < 8; ++K) {
    std::string F = Dir / ("Extras\\Maven\\" + std::string(Names[K]));
    WriteFile(F, K % 3 == 2 ? RandomBytes(1000 + K) : TextBytes(4000 * (K + 1), K));
    Files.push_back(F);
  }
  TZLBArchive A(nullptr);
  A.SetCompressionLevel(fcMaximum);
  const std::string Dat = Dir / "Extras\\Maven\\InstallMaven.dat";
  A.CreateArchive(Dat);
  for (const auto& F : Files) A.AddFile(F);

  TZLBArchive R(nullptr);
  R.SetCheckCRC(true);
  R.OpenArchive(Dat);
  ASSERT_EQ(R.Count(), 8);
  uint32_t Offset = 0;
  for (int K = 0; K < 8; ++K) {
    SCOPED_TRACE(Names[K]);
    TZLBEntry E;
    R.GetEntry(K, E);
    std::string N = Names[K];
    EXPECT_EQ(E.NameText(), N.substr(N.find_last_of('\\') + 1));
    EXPECT_EQ(E.Path[0], 0);
    EXPECT_EQ(E.DataOffset, Offset);
    EXPECT_EQ(E.Level, E.Stored ? 0 : 3);
    Offset += E.StoredSize;
    EXPECT_EQ(ExtractBytes(R, K), ReadFile(Files[K]));
  }
  EXPECT_EQ(R.Trailer().RegistryOffset, Offset);
  EXPECT_EQ(R.IndexOf("rules.ini"), 7);
}

TEST_F(ArchiveTest, AddFilesEqualsAddFileOneByOne) {
  std::vector<std::string> Files;
  for (int K = 0; K < 12; ++K) {
    Files.push_back(Dir / ("in\\f" + std::to_string(K) + ".dat"));
    WriteFile(Files.back(), K % 4 == 0 ? RandomBytes(500 * K, K) : TextBytes(700 * K, K));
  }
  const std::string One = Dir / "one.zlb", Batch = Dir / "batch.zlb";
  {
    TZLBArchive A(nullptr);
    A.SetSavePaths(true);
    A.CreateArchive(One);
    for (const auto& F : Files) A.AddFile(F);
  }
  {
    TZLBArchive A(nullptr);
    A.SetSavePaths(true);
    A.CreateArchive(Batch);
    A.AddFiles(std::vector<std::string>(Files.begin(), Files.begin() + 5));
    A.AddFiles(std::vector<std::string>(Files.begin() + 5, Files.end()));
    EXPECT_EQ(A.Count(), 12);
  }
  EXPECT_EQ(ReadFile(One), ReadFile(Batch));

  // All or nothing: a name given twice stops the batch before anything is written.
  TZLBArchive A(nullptr);
  A.OpenArchive(Batch);
  Bytes Before = ReadFile(Batch);
  WriteText(Dir / "new.txt", "n");
  EXPECT_EQ(ErrorOf([&] { A.AddFiles({Dir / "new.txt", Dir / "NEW.txt"}); }), "File already exists");
  EXPECT_EQ(ReadFile(Batch), Before);
  EXPECT_EQ(A.Count(), 12);
}

// A failure after the temporary file exists leaves the archive as it was.
TEST_F(ArchiveTest, FailedAddLeavesArchiveAndNoTemporaryFile) {
  Make({{"a.txt", TextBytes(1000)}});
  const Bytes Before = ReadFile(Arc);
  TZLBArchive A(nullptr);
  A.OpenArchive(Arc);
  WriteText(Dir / "b.txt", "b");
  EXPECT_EQ(ErrorOf([&] { A.AddFiles({Dir / "b.txt", Dir / "gone.txt"}); }),
            "Unable to open file (" + (Dir / "gone.txt") + ")");
  // A handler that raises in the middle of compressing also aborts cleanly.
  WriteFile(Dir / "c.txt", RandomBytes(300000));
  A.OnProgress = [](const std::string& Msg, int) {
    if (Msg.rfind("Updating", 0) == 0) throw std::runtime_error("cancelled");
  };
  EXPECT_THROW(A.AddFile(Dir / "c.txt"), std::runtime_error);
  A.OnProgress = nullptr;
  EXPECT_EQ(ReadFile(Arc), Before);
  EXPECT_EQ(A.Count(), 1);
  for (const auto& It : std::filesystem::directory_iterator(Dir.Host))
    EXPECT_NE(It.path().filename().string().substr(0, 3), "ZLB") << It.path();
  // And the component still works.
  A.AddFile(Dir / "b.txt");
  EXPECT_EQ(A.Count(), 2);
}

TEST_F(ArchiveTest, StateAfterOpenAndCreate) {
  TZLBArchive A(nullptr);
  EXPECT_FALSE(A.OpenArchive(""));
  EXPECT_EQ(A.ArchiveName(), "");
  A.CreateArchive("");
  EXPECT_EQ(A.ArchiveName(), "");
  EXPECT_FALSE(A.IsNewArchive());
  const std::string Missing = Dir / "missing.zlb";
  EXPECT_EQ(ErrorOf([&] { A.OpenArchive(Missing); }), "Archive file not found");
  EXPECT_EQ(A.ArchiveName(), Missing);
  EXPECT_EQ(A.IndexOf("x"), -1);
  A.CreateArchive(Missing);
  EXPECT_TRUE(A.IsNewArchive());
  EXPECT_FALSE(zlbhost::FileExists(Missing)) << "nothing is written before the first AddFile";
  A.CloseArchive();
  EXPECT_FALSE(A.IsNewArchive());
  EXPECT_EQ(A.ArchiveName(), "");
}

TEST_F(ArchiveTest, DefaultsAndOwnership) {
  Make({{"a.txt", TextBytes(10)}});
  int Calls = 0;
  {
    zlbbase::TComponent Owner(nullptr);
    auto* A = new TZLBArchive(&Owner);  // freed by its owner
    EXPECT_EQ(A->Owner(), &Owner);
    EXPECT_EQ(A->CompressionLevel(), fcDefault);
    EXPECT_FALSE(A->ExtractWithPath());
    EXPECT_FALSE(A->CheckCRC());
    EXPECT_FALSE(A->SavePaths());
    EXPECT_FALSE(A->RecursePaths());
    A->OpenArchive(Arc);
    A->OnProgress = [&](const std::string&, int) { ++Calls; };
  }
  EXPECT_EQ(Calls, 0) << "no progress while the component is destroyed";
}

TEST_F(ArchiveTest, AnsiNamesRoundTrip) {
  const std::string Name = "caf\xE9 \x80.txt";  // "café €.txt" in code page 1252
  WriteText(Dir / Name, "menu");
  TZLBArchive A(nullptr);
  A.CreateArchive(Arc);
  A.AddFile(Dir / Name);
  TZLBEntry E;
  A.GetEntry(0, E);
  EXPECT_EQ(E.NameText(), Name);
  zlbhost::ForceDirectories(Dir / "out");
  A.ExtractFile(Dir / "out", 0);
  EXPECT_EQ(ReadFile(Dir / ("out\\" + Name)), Bytes({'m', 'e', 'n', 'u'}));
#ifndef _WIN32
  EXPECT_TRUE(std::filesystem::exists(Dir.Host / "out" / "caf\xC3\xA9 \xE2\x82\xAC.txt"));
#endif
}

TEST_F(ArchiveTest, ListFilesOrder) {
  for (const char* F : {"b.txt", "a.txt", "sub\\c.txt", "sub\\deeper\\d.txt"}) WriteText(Dir / F, F);
  struct Case {
    bool Recurse, Paths;
    std::vector<std::string> Want;
  };
  const Case Cases[] = {
      {false, false, {"a.txt", "b.txt"}},
      {false, true, {"a.txt", "b.txt", "sub"}},
      {true, false, {"sub\\deeper\\d.txt", "sub\\c.txt", "a.txt", "b.txt"}},
      {true, true, {"sub\\deeper\\d.txt", "sub\\c.txt", "sub\\deeper", "a.txt", "b.txt", "sub"}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Recurse) + std::to_string(C.Paths));
    TZLBArchive A(nullptr);
    A.SetRecursePaths(C.Recurse);
    A.SetSavePaths(C.Paths);
    std::vector<std::string> List{"kept"};
    A.ListFiles(Dir.Sys + "\\", List);
    std::vector<std::string> Want{"kept"};
    for (const auto& W : C.Want) Want.push_back(Dir / W);
    EXPECT_EQ(List, Want);
  }
}

}  // namespace
