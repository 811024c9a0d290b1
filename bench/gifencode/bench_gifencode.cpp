// bench_gifencode: encoding the same decoded frames with TGIFImage's
// SaveToStream (LZW) and with giflib's EGifSpew, both into memory, measured
// in the same run as medians of several rounds (thread processor time). Prints the speed ratio
// (giflib time / our time: 1.0 or more is at least as fast), the size ratio
// (our bytes / giflib's: 1.0 or less is no larger) and, for information, the
// run-length encoder's size against our LZW.
#include "gif/GIFImage.h"

#include <gif_lib.h>

#include "bench/gif/GiflibMemory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

using benchgif::MemReader;
using benchgif::ReadAll;
using benchgif::ReadMem;

int WriteMem(GifFileType* gif, const GifByteType* buf, int n) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), buf, buf + n);
  return n;
}

struct GifCloser {
  void operator()(GifFileType* g) const {
    int e;
    DGifCloseFile(g, &e);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

GifPtr GiflibRead(const Bytes& data) {
  MemReader m{&data, 0};
  int err = 0;
  GifPtr gif(DGifOpen(&m, ReadMem, &err));
  if (!gif || DGifSlurp(gif.get()) != GIF_OK) return nullptr;
  return gif;
}

void CopyExtensions(int n, const ExtensionBlock* from, int& count, ExtensionBlock*& to) {
  for (int i = 0; i < n; ++i)
    GifAddExtensionBlock(&count, &to, from[i].Function, static_cast<unsigned>(from[i].ByteCount), from[i].Bytes);
}

// A giflib output handle holding a copy of `src` (made outside the timing).
GifFileType* GiflibCopy(const GifFileType* src, Bytes& out) {
  int err = 0;
  GifFileType* g = EGifOpen(&out, WriteMem, &err);
  if (!g) return nullptr;
  g->SWidth = src->SWidth;
  g->SHeight = src->SHeight;
  g->SColorResolution = src->SColorResolution;
  g->SBackGroundColor = src->SBackGroundColor;
  g->AspectByte = src->AspectByte;
  if (src->SColorMap) g->SColorMap = GifMakeMapObject(src->SColorMap->ColorCount, src->SColorMap->Colors);
  // GifMakeSavedImage copies the raster and the table; the extension blocks
  // it shares with the source (or leaves out) are copied here one by one.
  for (int i = 0; i < src->ImageCount; ++i) {
    const SavedImage& from = src->SavedImages[i];
    SavedImage* to = GifMakeSavedImage(g, &from);
    if (to->ExtensionBlocks && to->ExtensionBlocks != from.ExtensionBlocks) free(to->ExtensionBlocks);
    to->ExtensionBlocks = nullptr;
    to->ExtensionBlockCount = 0;
    CopyExtensions(from.ExtensionBlockCount, from.ExtensionBlocks, to->ExtensionBlockCount, to->ExtensionBlocks);
  }
  CopyExtensions(src->ExtensionBlockCount, src->ExtensionBlocks, g->ExtensionBlockCount, g->ExtensionBlocks);
  return g;
}

// One input: the decoded image on both sides.
struct Input {
  std::string name;
  std::unique_ptr<TGIFImage> ours;
  GifPtr theirs;
  long long pixels = 0;
};

std::unique_ptr<Input> Prepare(const std::string& name, const Bytes& data) {
  auto in = std::make_unique<Input>();
  in->name = name;
  in->theirs = GiflibRead(data);
  if (!in->theirs) return nullptr;
  in->ours = std::make_unique<TGIFImage>();
  TReadOnlyMemoryStream s(data.data(), data.size());
  try {
    in->ours->LoadFromStream(s);
    TMemoryStream probe;
    in->ours->SaveToStream(probe);  // refused images are not compared
  } catch (const GIFException&) {
    return nullptr;
  }
  Bytes probe;
  GifFileType* g = GiflibCopy(in->theirs.get(), probe);
  if (!g || EGifSpew(g) != GIF_OK) return nullptr;
  for (int i = 0; i < in->theirs->ImageCount; ++i)
    in->pixels += static_cast<long long>(in->theirs->SavedImages[i].ImageDesc.Width) *
                  in->theirs->SavedImages[i].ImageDesc.Height;
  return in;
}

std::size_t OurSize(Input& in, TGIFCompression c) {
  in.ours->SetCompression(c);
  TMemoryStream s;
  in.ours->SaveToStream(s);
  return static_cast<std::size_t>(s.Size());
}

std::size_t GiflibSize(Input& in) {
  Bytes out;
  EGifSpew(GiflibCopy(in.theirs.get(), out));
  return out.size();
}

// Processor time of this thread: the machine may be shared, and both sides
// run on one thread.
double Seconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Median seconds to encode all inputs, ours and giflib's.
void Time(std::vector<Input*>& inputs, int rounds, double& ours, double& theirs) {
  std::vector<double> a, b;
  for (Input* in : inputs) in->ours->SetCompression(gcLZW);
  for (int r = 0; r < rounds; ++r) {
    double t0 = Seconds();
    for (Input* in : inputs) {
      TMemoryStream s;
      in->ours->SaveToStream(s);
    }
    a.push_back(Seconds() - t0);

    std::vector<Bytes> outs(inputs.size());
    std::vector<GifFileType*> handles;
    for (std::size_t i = 0; i < inputs.size(); ++i) handles.push_back(GiflibCopy(inputs[i]->theirs.get(), outs[i]));
    double t1 = Seconds();
    for (GifFileType* g : handles) EGifSpew(g);
    b.push_back(Seconds() - t1);
  }
  ours = Median(a);
  theirs = Median(b);
}

void Report(const std::string& label, std::vector<Input*> inputs, int rounds) {
  double ours = 0, theirs = 0;
  Time(inputs, rounds, ours, theirs);
  long long pixels = 0;
  double lzw = 0, gif = 0, rle = 0;
  std::vector<double> sizeRatios, rleRatios;
  for (Input* in : inputs) {
    pixels += in->pixels;
    double l = static_cast<double>(OurSize(*in, gcLZW)), g = static_cast<double>(GiflibSize(*in)),
           r = static_cast<double>(OurSize(*in, gcRLE));
    lzw += l;
    gif += g;
    rle += r;
    sizeRatios.push_back(l / g);
    if (std::getenv("BENCH_VERBOSE"))
      std::printf("  %-40s ours %9.0f  giflib %9.0f  ratio %.4f  RLE %9.0f\n", in->name.c_str(), l, g, l / g, r);
    rleRatios.push_back(r / l);
  }
  std::printf("%-24s %11lld px  ours %7.1f Mpx/s  giflib %7.1f Mpx/s  speed ratio %.2f\n", label.c_str(), pixels,
              pixels / ours / 1e6, pixels / theirs / 1e6, theirs / ours);
  std::printf("%-24s size ours/giflib: total %.4f (%.0f / %.0f bytes), median per file %.4f;"
              " RLE/LZW: total %.3f, median %.3f\n",
              "", lzw / gif, lzw, gif, Median(sizeRatios), rle / lzw, Median(rleRatios));
}

}  // namespace

int main() {
  std::vector<std::unique_ptr<Input>> corpus;
  const char* corpusDir = std::getenv("GIF_CORPUS_DIR") ? std::getenv("GIF_CORPUS_DIR") : GIF_CORPUS_DEFAULT;
  if (fs::is_directory(corpusDir)) {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(corpusDir))
      if (e.path().extension() == ".gif" && e.path().string().find("/afl/") == std::string::npos)
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& p : files)
      if (auto in = Prepare(p.filename().string(), ReadAll(p))) corpus.push_back(std::move(in));
  } else {
    std::printf("peer corpus not found at %s; corpus row skipped\n", corpusDir);
  }

  std::string cmd = std::string("sh ") + BENCH_MAKE_INPUTS + " " + BENCH_DATA_DIR;
  if (std::system(cmd.c_str()) != 0) std::printf("could not generate the large inputs (ImageMagick missing?)\n");

  std::printf("bench_gifencode: medians of rounds (thread CPU time); speed ratio = giflib time / our time (>= 1.0: at least as fast);"
              " size ratio = our LZW bytes / giflib's (<= 1.0: no larger)\n");
  if (!corpus.empty()) {
    std::vector<Input*> all;
    for (auto& in : corpus) all.push_back(in.get());
    Report("corpus (" + std::to_string(all.size()) + " files)", all, 15);
  }
  for (const char* name : {"photo2000.gif", "anim100.gif"}) {
    fs::path p = fs::path(BENCH_DATA_DIR) / name;
    if (!fs::exists(p)) continue;
    auto in = Prepare(name, ReadAll(p));
    if (!in) {
      std::printf("%s: not encodable by both\n", name);
      continue;
    }
    Report(name, {in.get()}, 9);
  }
  return 0;
}
