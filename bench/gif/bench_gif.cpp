// bench_gif: decoded pixels per second of TGIFImage::LoadFromStream, of
// giflib's DGifSlurp and of stb_image's stbi_load_gif_from_memory on the same
// bytes in memory, measured in the same run as medians of interleaved rounds,
// with the ratios (their time / ours; above 1 is faster) and the peak memory
// each decoder needs for one decode.
#include "gif/GIFImage.h"

#include <gif_lib.h>

#include "GiflibMemory.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_GIF
#include <stb/stb_image.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

using benchgif::MemReader;
using benchgif::ReadAll;
using benchgif::ReadMem;

// Pixels decoded by giflib, or -1 when it rejects the file.
long long GiflibDecode(const Bytes& data) {
  MemReader m{&data, 0};
  int err = 0;
  GifFileType* gif = DGifOpen(&m, ReadMem, &err);
  if (!gif) return -1;
  long long pixels = -1;
  if (DGifSlurp(gif) == GIF_OK) {
    pixels = 0;
    for (int i = 0; i < gif->ImageCount; ++i)
      pixels += static_cast<long long>(gif->SavedImages[i].ImageDesc.Width) * gif->SavedImages[i].ImageDesc.Height;
  }
  DGifCloseFile(gif, &err);
  return pixels;
}

// Pixels decoded by stb_image, or -1 when it rejects the file. It composes
// the frames into RGBA screens, so it does more than an indexed decoder.
long long StbDecode(const Bytes& data) {
  int* delays = nullptr;
  int x = 0, y = 0, z = 0, comp = 0;
  stbi_uc* p = stbi_load_gif_from_memory(data.data(), static_cast<int>(data.size()), &delays, &x, &y, &z, &comp, 0);
  if (!p) return -1;
  stbi_image_free(p);
  stbi_image_free(delays);
  return static_cast<long long>(x) * y * z;
}

long long OurDecode(const Bytes& data) {
  TGIFImage image;
  TReadOnlyMemoryStream s(data.data(), data.size());
  image.LoadFromStream(s);
  long long pixels = 0;
  for (int i = 0; i < image.Images()->Count(); ++i) pixels += static_cast<long long>((*image.Images())[i]->DataSize());
  return pixels;
}

// Whether our frames hold exactly giflib's colour indices.
bool SameAsGiflib(const Bytes& data) {
  MemReader m{&data, 0};
  int err = 0;
  GifFileType* gif = DGifOpen(&m, ReadMem, &err);
  if (!gif) return false;
  bool same = DGifSlurp(gif) == GIF_OK;
  TGIFImage image;
  TReadOnlyMemoryStream s(data.data(), data.size());
  image.LoadFromStream(s);
  std::vector<TGIFSubImage*> frames;
  for (int i = 0; i < image.Images()->Count(); ++i)
    if ((*image.Images())[i]->HasDescriptor()) frames.push_back((*image.Images())[i]);
  same = same && static_cast<int>(frames.size()) == gif->ImageCount;
  for (int i = 0; same && i < gif->ImageCount; ++i) {
    const SavedImage& g = gif->SavedImages[i];
    std::size_t n = static_cast<std::size_t>(g.ImageDesc.Width) * static_cast<std::size_t>(g.ImageDesc.Height);
    same = frames[static_cast<std::size_t>(i)]->DataSize() == n &&
           (n == 0 || std::memcmp(frames[static_cast<std::size_t>(i)]->Data(), g.RasterBits, n) == 0);
  }
  DGifCloseFile(gif, &err);
  return same;
}

double Median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

template <class F>
double Seconds(F&& work) {
  auto a = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - a).count();
}

long ResidentKB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The process's peak resident size (VmHWM), in KB.
long PeakResidentKB() {
  long kb = 0;
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "VmHWM: %ld", &kb) == 1) break;
    std::fclose(f);
  }
  return kb;
}

// Memory one run of `work` takes at its peak beyond what the process held
// before, in MB, measured in a child process of its own. The child first
// hands back the heap's free pages, has large blocks mapped afresh (so
// memory freed by earlier rounds does not hide what the decode touches) and
// resets its peak resident size, which it inherited from this process.
template <class F>
double PeakMB(F&& work) {
  int fd[2];
  if (pipe(fd) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(fd[0]);
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    malloc_trim(0);
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", f);
      std::fclose(f);
    }
    long before = ResidentKB();
    work();
    long extra = PeakResidentKB() - before;
    if (write(fd[1], &extra, sizeof extra) != sizeof extra) _exit(1);
    _exit(0);
  }
  close(fd[1]);
  long extra = -1024;
  if (read(fd[0], &extra, sizeof extra) != sizeof extra) extra = -1024;
  close(fd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return extra / 1024.0;
}

// Decodes the inputs with each decoder in turn, `rounds` times, and prints
// the medians, the ratios against our decoder and each one's peak memory.
void Report(const char* name, const std::vector<const Bytes*>& inputs, long long pixels, int rounds,
            const char* target) {
  auto ours = [&] { for (const Bytes* b : inputs) OurDecode(*b); };
  auto gl = [&] { for (const Bytes* b : inputs) GiflibDecode(*b); };
  auto stb = [&] { for (const Bytes* b : inputs) StbDecode(*b); };
  // stb_image is many times slower: it takes part in the first rounds only.
  std::vector<double> to, tg, ts;
  for (int r = 0; r < rounds; ++r) {
    to.push_back(Seconds(ours));
    tg.push_back(Seconds(gl));
    if (r < 5) ts.push_back(Seconds(stb));
  }
  double o = Median(to), g = Median(tg), st = Median(ts);
  bool same = true;
  for (const Bytes* b : inputs) same = same && SameAsGiflib(*b);
  std::printf("%s: %lld px, %d rounds (stb 5), indices %s giflib's\n", name, pixels, rounds,
              same ? "identical to" : "DIFFERENT FROM");
  std::printf("  ours    %8.1f Mpx/s %9.3f ms  peak %7.1f MB\n", pixels / o / 1e6, o * 1e3, PeakMB(ours));
  std::printf("  giflib  %8.1f Mpx/s %9.3f ms  peak %7.1f MB  ratio %.2f (target >= 2.0, goal %s)\n",
              pixels / g / 1e6, g * 1e3, PeakMB(gl), g / o, target);
  std::printf("  stb     %8.1f Mpx/s %9.3f ms  peak %7.1f MB  ratio %.2f (stb composes every frame into RGBA)\n",
              pixels / st / 1e6, st * 1e3, PeakMB(stb), st / o);
}

}  // namespace

int main() {
  std::vector<Bytes> corpus;
  long long corpusPixels = 0;
  const char* corpusDir = std::getenv("GIF_CORPUS_DIR") ? std::getenv("GIF_CORPUS_DIR") : GIF_CORPUS_DEFAULT;
  if (fs::is_directory(corpusDir)) {
    for (const auto& e : fs::recursive_directory_iterator(corpusDir)) {
      if (e.path().extension() != ".gif" || e.path().string().find("/afl/") != std::string::npos) continue;
      Bytes b = ReadAll(e.path());
      long long px = GiflibDecode(b);
      if (px <= 0 || StbDecode(b) < 0) continue;  // only files all three decode
      try {
        OurDecode(b);
      } catch (const GIFException&) {
        continue;
      }
      corpusPixels += px;
      corpus.push_back(std::move(b));
    }
  } else {
    std::printf("peer corpus not found at %s; corpus row skipped\n", corpusDir);
  }

  std::string cmd = std::string("sh ") + BENCH_MAKE_INPUTS + " " + BENCH_DATA_DIR;
  if (std::system(cmd.c_str()) != 0) std::printf("could not generate the large inputs (ImageMagick missing?)\n");

  std::printf("bench_gif: medians of interleaved rounds; ratio = their time / our time (>= 1.0: we are at least as fast)\n");
  if (!corpus.empty()) {
    std::vector<const Bytes*> all;
    for (const Bytes& b : corpus) all.push_back(&b);
    Report(("corpus (" + std::to_string(corpus.size()) + " files)").c_str(), all, corpusPixels, 31, "4.4");
  }
  const struct {
    const char* name;
    const char* goal;
  } big[] = {{"photo2000.gif", "2.35"}, {"anim100.gif", "2.9"}};
  for (const auto& in : big) {
    const char* name = in.name;
    fs::path p = fs::path(BENCH_DATA_DIR) / name;
    if (!fs::exists(p)) continue;
    Bytes b = ReadAll(p);
    long long px = GiflibDecode(b);
    if (px <= 0) continue;
    Report(name, {&b}, px, 31, in.goal);
  }
  return 0;
}
