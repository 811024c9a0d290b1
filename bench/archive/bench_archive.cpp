// bench_archive: the archive component against its peers, in one run.
//  1. Extracting a 200 MB archive of mixed members, against Python's
//     zlib.decompress of the same members plus writing them.
//  2. Creating an archive of 500 small files with AddFiles, against 500
//     AddFile calls and against `zip -9 -q` of the same files.
// Prints medians and ratios; never fails.
#include "toolkit/base/HostFiles.h"
#include "ZLIBArchive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const int kRuns = 3;
const int kExtractRounds = 7;

double Seconds(const std::function<void()>& F) {
  auto T0 = std::chrono::steady_clock::now();
  F();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V[V.size() / 2];
}

double MedianOf(const std::function<double()>& Run) {
  std::vector<double> T;
  for (int K = 0; K < kRuns; ++K) T.push_back(Run());
  return Median(T);
}

std::string Sys(const fs::path& P) { return hostfiles::SystemName(P.string()); }

void WriteBytes(const fs::path& P, const std::string& Data) {
  std::ofstream(P, std::ios::binary).write(Data.data(), static_cast<std::streamsize>(Data.size()));
}

// Text-like, random, and highly repetitive members.
std::string Member(int K, size_t Size, std::mt19937& R) {
  std::string S(Size, '\0');
  switch (K % 3) {
    case 0: {
      static const char* W[] = {"install ", "archive ", "member ", "rules ", "Maven ", "folder\r\n", "0x1F "};
      size_t At = 0;
      while (At < Size) {
        const char* Word = W[R() % 7];
        for (; *Word && At < Size; ++Word) S[At++] = *Word;
      }
      break;
    }
    case 1:
      for (auto& C : S) C = static_cast<char>(R());
      break;
    default:
      for (size_t At = 0; At < Size; ++At) S[At] = static_cast<char>((At / 512) % 7 == 0 ? R() : At % 13);
  }
  return S;
}

int Run(const char* Cmd) { return std::system(Cmd); }

void BenchExtract(const fs::path& Dir) {
  const int kMembers = 40;
  const size_t kSize = 5 * 1024 * 1024;
  std::mt19937 R(42);
  fs::create_directories(Dir / "in");
  std::vector<std::string> Files;
  for (int K = 0; K < kMembers; ++K) {
    fs::path P = Dir / "in" / ("m" + std::to_string(K) + ".dat");
    WriteBytes(P, Member(K, kSize, R));
    Files.push_back(Sys(P));
  }
  const fs::path Arc = Dir / "big.zlb";
  {
    TZLBArchive A(nullptr);
    A.CreateArchive(Sys(Arc));
    A.AddFiles(Files);
  }
  fs::remove_all(Dir / "in");

  // The peer reads the member table we give it: offset, stored size, stored flag.
  TZLBArchive A(nullptr);
  A.OpenArchive(Sys(Arc));
  fs::path Table = Dir / "members.txt";
  {
    std::ofstream T(Table);
    for (int K = 0; K < A.Count(); ++K) {
      TZLBEntry E;
      A.GetEntry(K, E);
      T << E.DataOffset << ' ' << E.StoredSize << ' ' << int(E.Stored) << ' ' << E.NameText() << '\n';
    }
  }
  fs::path Script = Dir / "peer.py";
  WriteBytes(Script,
             "import sys, time, zlib, os\n"
             "arc, table, out, res = sys.argv[1:5]\n"
             "rows = [l.split() for l in open(table)]\n"
             "t0 = time.perf_counter()\n"
             "with open(arc, 'rb') as f:\n"
             "    for off, size, stored, name in rows:\n"
             "        f.seek(int(off)); raw = f.read(int(size))\n"
             "        data = raw if stored == '1' else zlib.decompress(raw)\n"
             "        with open(os.path.join(out, name), 'wb') as o: o.write(data)\n"
             "open(res, 'w').write(str(time.perf_counter() - t0))\n");

  // Rounds alternate between the two, each starting from an empty folder
  // with the previous round's writes flushed, so that neither pays for the
  // other's write-back.
  fs::path Out = Dir / "out";
  auto Fresh = [&] {
    fs::remove_all(Out);
    fs::create_directories(Out);
    sync();
  };
  auto RunOurs = [&] {
    Fresh();
    std::string Dest = Sys(Out);
    return Seconds([&] {
      for (int K = 0; K < A.Count(); ++K) A.ExtractFile(Dest, K);
    });
  };
  auto RunPeer = [&] {
    Fresh();
    std::string Cmd = "python3 '" + Script.string() + "' '" + Arc.string() + "' '" + Table.string() + "' '" +
                      Out.string() + "' '" + (Dir / "t").string() + "'";
    if (Run(Cmd.c_str()) != 0) return 0.0;
    double T = 0;
    std::ifstream(Dir / "t") >> T;
    return T;
  };
  std::vector<double> OursTimes, PeerTimes;
  for (int K = 0; K < kExtractRounds; ++K) {
    OursTimes.push_back(RunOurs());
    PeerTimes.push_back(RunPeer());
  }
  const double Ours = Median(OursTimes), Peer = Median(PeerTimes);
  std::printf("extract %d members, %.0f MB, mixed text/random/repetitive\n", kMembers,
              kMembers * kSize / 1048576.0);
  std::printf("  ExtractFile                          median %7.3f s\n", Ours);
  std::printf("  python zlib.decompress + write       median %7.3f s\n", Peer);
  std::printf("  ratio ExtractFile / python           %7.2f   (target <= 1.05; %d interleaved rounds)\n",
              Peer > 0 ? Ours / Peer : 0.0, kExtractRounds);
  fs::remove_all(Out);
  fs::remove(Arc);
}

void BenchCreate(const fs::path& Dir) {
  const int kFiles = 500;
  std::mt19937 R(7);
  fs::path In = Dir / "small";
  fs::create_directories(In);
  std::vector<std::string> Files;
  for (int K = 0; K < kFiles; ++K) {
    fs::path P = In / ("f" + std::to_string(K) + ".txt");
    WriteBytes(P, Member(K % 3 == 1 ? 0 : K, 100 + R() % 4000, R));
    Files.push_back(Sys(P));
  }
  const fs::path Arc = Dir / "small.zlb";
  auto Fresh = [&] { fs::remove(Arc); };
  double Batch = MedianOf([&] {
    Fresh();
    return Seconds([&] {
      TZLBArchive A(nullptr);
      A.CreateArchive(Sys(Arc));
      A.AddFiles(Files);
    });
  });
  double OneByOne = MedianOf([&] {
    Fresh();
    return Seconds([&] {
      TZLBArchive A(nullptr);
      A.CreateArchive(Sys(Arc));
      for (const auto& F : Files) A.AddFile(F);
    });
  });
  fs::path Zip = Dir / "small.zip";
  std::string Cmd = "cd '" + In.string() + "' && zip -9 -q '" + Zip.string() + "' *.txt";
  double ZipTime = MedianOf([&] {
    fs::remove(Zip);
    return Seconds([&] { Run(Cmd.c_str()); });
  });
  std::printf("create an archive of %d small files (100 B to 4 KB)\n", kFiles);
  std::printf("  AddFiles (one write)                 median %7.3f s\n", Batch);
  std::printf("  %d x AddFile                        median %7.3f s\n", kFiles, OneByOne);
  std::printf("  zip -9 -q                            median %7.3f s\n", ZipTime);
  std::printf("  speed-up AddFiles vs AddFile calls   %7.1f x (target >= 20)\n", OneByOne / Batch);
  std::printf("  ratio AddFiles / zip -9              %7.2f\n", Batch / ZipTime);
}

}  // namespace

int main() {
  fs::path Dir = fs::temp_directory_path() / ("bench_archive-" + std::to_string(std::random_device()()));
  fs::create_directories(Dir);
  try {
    BenchExtract(Dir);
    BenchCreate(Dir);
  } catch (const std::exception& E) {
    std::printf("bench_archive: %s\n", E.what());
  }
  fs::remove_all(Dir);
  return 0;
}
