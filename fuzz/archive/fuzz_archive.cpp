// Fuzz target: OpenArchive on arbitrary bytes, then ExtractToStream of every
// entry, with and without CRC checks, and ExtractFile of the first entries,
// with and without stored paths. Only the component's fixed errors may come
// out, a member is exactly Size bytes, and every file written lies inside
// the destination folder.
#include "toolkit/base/HostFiles.h"
#include "ZLIBArchive.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const int kExtractedEntries = 8;

// A private folder for one input, holding the archive ("a.zlb") and the
// destination; removed with everything in it at the end.
class Sandbox {
public:
  Sandbox() {
    char Name[] = "/tmp/fuzz_archiveXXXXXX";
    if (!mkdtemp(Name)) std::abort();
    Root = Name;
  }
  ~Sandbox() {
    std::error_code Ec;
    fs::remove_all(Root, Ec);
  }
  fs::path Root;
};

// The destination lies deeper than a stored path of 255 characters can
// climb with "..\", so that every escape lands inside Root and shows.
fs::path Destination(const fs::path& Root) {
  fs::path Dest = Root / "out";
  for (int K = 0; K < 86; ++K) Dest /= "d";
  return Dest / "er";
}

// Every item under Root is the archive, a folder on the way to the
// destination, or lies inside the destination.
void CheckNothingOutside(const fs::path& Root, const fs::path& Dest) {
  const std::string Way = Dest.string() + "/";
  for (auto It = fs::recursive_directory_iterator(Root); It != fs::recursive_directory_iterator(); ++It) {
    const fs::path P = It->path();
    if (P == Root / "a.zlb" || Way.compare(0, P.string().size() + 1, P.string() + "/") == 0) continue;
    const std::string Rel = P.lexically_relative(Dest).string();
    if (Rel.empty() || Rel.compare(0, 2, "..") == 0) std::abort();  // written outside the destination
  }
}

void ExtractFiles(TZLBArchive& A, const fs::path& Root) {
  const fs::path Dest = Destination(Root);
  for (bool WithPath : {false, true}) {
    fs::remove_all(Root / "out");
    fs::create_directories(Dest);
    A.SetExtractWithPath(WithPath);
    for (int K = 0; K < A.Count() && K < kExtractedEntries; ++K) {
      try {
        A.ExtractFile(hostfiles::SystemName(Dest.string()) + "\\", K);
      } catch (const EArchiveError&) {
      }
    }
    CheckNothingOutside(Root, Dest);
  }
}

void Exercise(const std::vector<uint8_t>& Bytes) {
  Sandbox Box;
  const std::string Host = (Box.Root / "a.zlb").string();
  FILE* F = std::fopen(Host.c_str(), "wb");
  if (!F) std::abort();
  if (!Bytes.empty()) std::fwrite(Bytes.data(), 1, Bytes.size(), F);
  std::fclose(F);

  TZLBArchive A(nullptr);
  try {
    A.OpenArchive(hostfiles::SystemName(Host));
  } catch (const EArchiveError&) {
    return;
  }
  for (bool Check : {false, true}) {
    A.SetCheckCRC(Check);
    for (int K = 0; K < A.Count(); ++K) {
      TMemoryStream Out;
      try {
        A.ExtractToStream(K, Out);
      } catch (const EArchiveError&) {
        continue;
      }
      TZLBEntry E;
      A.GetEntry(K, E);
      if (Out.Size() != E.Size) std::abort();  // a member is exactly Size bytes
    }
  }
  ExtractFiles(A, Box.Root);
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
