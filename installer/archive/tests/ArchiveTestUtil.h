// Helpers for the archive tests: a temporary folder, whole-file reads and
// writes on system names, and a builder of raw archives for hostile input.
#pragma once

#include "ZLBHost.h"
#include "ZLIBArchive.h"

#include <zlib.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace zlbtest {

using Bytes = std::vector<uint8_t>;

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
  TempDir() {
    static int Serial = 0;
    std::random_device Rd;
    auto Base = std::filesystem::temp_directory_path();
    for (;;) {
      Host = Base / ("zlbtest-" + std::to_string(Rd()) + "-" + std::to_string(++Serial));
      if (std::filesystem::create_directory(Host)) break;
    }
    Sys = zlbhost::SystemName(Host.string());
  }
  ~TempDir() {
    std::error_code Ec;
    std::filesystem::remove_all(Host, Ec);
  }
  // System name of an item inside the folder ("a\\b.txt" allowed).
  std::string operator/(const std::string& Rel) const { return Sys + "\\" + Rel; }
  std::filesystem::path Host;
  std::string Sys;
};

inline void WriteFile(const std::string& SysName, const Bytes& Data) {
  size_t Cut = SysName.find_last_of('\\');
  if (Cut != std::string::npos && Cut > 0) zlbhost::ForceDirectories(SysName.substr(0, Cut));
  zlbbase::TFileStream F(SysName, zlbbase::fmCreate);
  if (!Data.empty()) F.WriteBuffer(Data.data(), static_cast<int32_t>(Data.size()));
}

inline void WriteText(const std::string& SysName, const std::string& Text) {
  WriteFile(SysName, Bytes(Text.begin(), Text.end()));
}

inline Bytes ReadFile(const std::string& SysName) {
  zlbbase::TFileStream F(SysName, zlbbase::fmOpenReadShared);
  Bytes Data(static_cast<size_t>(F.Size()));
  if (!Data.empty()) F.ReadBuffer(Data.data(), static_cast<int32_t>(Data.size()));
  return Data;
}

inline Bytes TextBytes(size_t N, uint32_t Seed = 1) {
  static const char* Words[] = {"archive ", "member ", "registry ", "trailer ", "zlib ", "stream\r\n"};
  Bytes Out;
  std::mt19937 R(Seed);
  while (Out.size() < N) {
    const char* W = Words[R() % 6];
    Out.insert(Out.end(), W, W + std::char_traits<char>::length(W));
  }
  Out.resize(N);
  return Out;
}

inline Bytes RandomBytes(size_t N, uint32_t Seed = 7) {
  std::mt19937 R(Seed);
  Bytes Out(N);
  for (auto& B : Out) B = static_cast<uint8_t>(R());
  return Out;
}

inline uint32_t Crc32(const Bytes& D) {
  return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), D.data(), static_cast<uInt>(D.size())));
}

inline void PutU32(Bytes& B, size_t At, uint32_t V) {
  for (int K = 0; K < 4; ++K) B[At + K] = static_cast<uint8_t>(V >> (8 * K));
}
inline uint32_t GetU32(const Bytes& B, size_t At) {
  return B[At] | (uint32_t(B[At + 1]) << 8) | (uint32_t(B[At + 2]) << 16) | (uint32_t(B[At + 3]) << 24);
}

// Writes a fresh trailer CRC over everything before the trailer.
inline void Reseal(Bytes& A) {
  Bytes Body(A.begin(), A.end() - 36);
  PutU32(A, A.size() - 36, Crc32(Body));
}

// A raw member for BuildArchive: stored plain unless Deflate.
struct RawMember {
  std::string Name;
  std::string Path;
  Bytes Data;
  bool Deflate = false;
};

// An archive with a plain registry, laid out by hand from the table.
inline Bytes BuildArchive(const std::vector<RawMember>& Members) {
  Bytes A, Reg;
  for (const RawMember& M : Members) {
    Bytes Stored = M.Data;
    if (M.Deflate) {
      uLongf N = compressBound(static_cast<uLong>(M.Data.size()));
      Stored.resize(N);
      compress2(Stored.data(), &N, M.Data.data(), static_cast<uLong>(M.Data.size()), 9);
      Stored.resize(N);
    }
    Bytes E(532, 0);
    E[0] = static_cast<uint8_t>(M.Name.size());
    std::copy(M.Name.begin(), M.Name.end(), E.begin() + 1);
    E[256] = static_cast<uint8_t>(M.Path.size());
    std::copy(M.Path.begin(), M.Path.end(), E.begin() + 257);
    PutU32(E, 512, static_cast<uint32_t>(M.Data.size()));
    PutU32(E, 516, static_cast<uint32_t>(Stored.size()));
    PutU32(E, 520, static_cast<uint32_t>(A.size()));
    PutU32(E, 524, Crc32(M.Data));
    E[528] = M.Deflate ? 0 : 1;
    E[529] = M.Deflate ? 3 : 0;
    A.insert(A.end(), Stored.begin(), Stored.end());
    Reg.insert(Reg.end(), E.begin(), E.end());
  }
  uint32_t RegOffset = static_cast<uint32_t>(A.size());
  A.insert(A.end(), Reg.begin(), Reg.end());
  Bytes T(36, 0);
  PutU32(T, 4, static_cast<uint32_t>(Members.size()));
  PutU32(T, 8, 1);
  PutU32(T, 16, RegOffset);
  A.insert(A.end(), T.begin(), T.end());
  Reseal(A);
  return A;
}

}  // namespace zlbtest
