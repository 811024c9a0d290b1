// bench_gif: decoded pixels per second of TGIFImage::LoadFromStream and of
// giflib's DGifSlurp on the same bytes, measured in the same run, as medians
// of several rounds, and their ratio (ours / giflib; above 1 is faster).
#include "gif/GIFImage.h"

#include <gif_lib.h>

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

Bytes ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

struct MemReader {
  const Bytes* data;
  std::size_t pos;
};

int ReadMem(GifFileType* gif, GifByteType* buf, int n) {
  auto* m = static_cast<MemReader*>(gif->UserData);
  std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), m->data->size() - m->pos);
  std::memcpy(buf, m->data->data() + m->pos, k);
  m->pos += k;
  return static_cast<int>(k);
}

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

long long OurDecode(const Bytes& data) {
  TGIFImage image;
  TReadOnlyMemoryStream s(data.data(), data.size());
  image.LoadFromStream(s);
  long long pixels = 0;
  for (int i = 0; i < image.Images()->Count(); ++i) pixels += static_cast<long long>((*image.Images())[i]->DataSize());
  return pixels;
}

template <class F>
double MedianSeconds(int rounds, F&& work) {
  std::vector<double> t;
  for (int r = 0; r < rounds; ++r) {
    auto a = Clock::now();
    work();
    t.push_back(std::chrono::duration<double>(Clock::now() - a).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

void Report(const char* name, const std::vector<const Bytes*>& inputs, long long pixels, int rounds) {
  double ours = MedianSeconds(rounds, [&] { for (const Bytes* b : inputs) OurDecode(*b); });
  double theirs = MedianSeconds(rounds, [&] { for (const Bytes* b : inputs) GiflibDecode(*b); });
  std::printf("%-22s %12lld px  ours %8.1f Mpx/s (%8.3f ms)  giflib %8.1f Mpx/s (%8.3f ms)  ratio %.2f\n", name,
              pixels, pixels / ours / 1e6, ours * 1e3, pixels / theirs / 1e6, theirs * 1e3, theirs / ours);
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
      if (px <= 0) continue;  // only files both decode
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

  std::printf("bench_gif: median of rounds; ratio = giflib time / our time (>= 1.0 means at least as fast)\n");
  if (!corpus.empty()) {
    std::vector<const Bytes*> all;
    for (const Bytes& b : corpus) all.push_back(&b);
    Report(("corpus (" + std::to_string(corpus.size()) + " files)").c_str(), all, corpusPixels, 15);
  }
  for (const char* name : {"photo2000.gif", "anim100.gif"}) {
    fs::path p = fs::path(BENCH_DATA_DIR) / name;
    if (!fs::exists(p)) continue;
    Bytes b = ReadAll(p);
    long long px = GiflibDecode(b);
    if (px <= 0) continue;
    Report(name, {&b}, px, 9);
  }
  return 0;
}
