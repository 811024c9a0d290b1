// Fuzz target: OpenArchive on arbitrary bytes, then ExtractToStream of every
// entry, with and without CRC checks. Only the component's fixed errors may
// come out.
#include "ZLBHost.h"
#include "ZLIBArchive.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
std::string ArchivePath() {
  static std::string Path = [] {
    char Name[] = "/tmp/fuzz_archiveXXXXXX";
    int Fd = mkstemp(Name);
    if (Fd < 0) std::abort();
    close(Fd);
    return std::string(Name);
  }();
  return Path;
}
}  // namespace

namespace {
void Exercise(const std::vector<uint8_t>& Bytes) {
  const std::string Host = ArchivePath();
  FILE* F = std::fopen(Host.c_str(), "wb");
  if (!F) std::abort();
  if (!Bytes.empty()) std::fwrite(Bytes.data(), 1, Bytes.size(), F);
  std::fclose(F);

  TZLBArchive A(nullptr);
  try {
    A.OpenArchive(zlbhost::SystemName(Host));
  } catch (const zlbbase::EArchiveError&) {
    return;
  }
  for (bool Check : {false, true}) {
    A.SetCheckCRC(Check);
    for (int K = 0; K < A.Count(); ++K) {
      zlbbase::TMemoryStream Out;
      try {
        A.ExtractToStream(K, Out);
      } catch (const zlbbase::EArchiveError&) {
        continue;
      }
      TZLBEntry E;
      A.GetEntry(K, E);
      if (Out.Size() != E.Size) std::abort();  // a member is exactly Size bytes
    }
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::vector<uint8_t> Bytes(Data, Data + Size);
  Exercise(Bytes);
  // Again with a correct trailer CRC, so that mutations reach the registry
  // and the members instead of stopping at the checksum.
  if (Size >= 36) {
    uint32_t Crc = static_cast<uint32_t>(crc32(0L, Data, static_cast<uInt>(Size - 36)));
    for (int K = 0; K < 4; ++K) Bytes[Size - 36 + K] = static_cast<uint8_t>(Crc >> (8 * K));
    Exercise(Bytes);
  }
  return 0;
}
