// Streams this writer produces, read by giflib (a test-only oracle) and by
// ImageMagick: every corpus file giflib reads, and frames built here.
#include "WriterSupport.h"

#include "testsupport.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// A GIF as giflib reads it from memory.
class Giflib {
public:
  explicit Giflib(const Bytes& data) : FData(data) {
    int error = 0;
    FGif = DGifOpen(this, &Giflib::ReadMem, &error);
    if (FGif) Ok = DGifSlurp(FGif) == GIF_OK;
  }
  ~Giflib() {
    int e;
    if (FGif) DGifCloseFile(FGif, &e);
  }
  Giflib(const Giflib&) = delete;
  Giflib& operator=(const Giflib&) = delete;
  const GifFileType* operator->() const { return FGif; }
  bool Ok = false;

private:
  static int ReadMem(GifFileType* gif, GifByteType* buf, int n) {
    auto* self = static_cast<Giflib*>(gif->UserData);
    std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), self->FData.size() - self->FPos);
    std::memcpy(buf, self->FData.data() + self->FPos, k);
    self->FPos += k;
    return static_cast<int>(k);
  }
  const Bytes& FData;
  std::size_t FPos = 0;
  GifFileType* FGif = nullptr;
};

void ExpectSameTable(const ColorMapObject* a, const ColorMapObject* b) {
  ASSERT_EQ(a != nullptr, b != nullptr);
  if (!a) return;
  ASSERT_EQ(a->ColorCount, b->ColorCount);
  EXPECT_EQ(0, std::memcmp(a->Colors, b->Colors, sizeof(GifColorType) * static_cast<std::size_t>(a->ColorCount)));
}

void ExpectSameExtensions(int na, const ExtensionBlock* a, int nb, const ExtensionBlock* b) {
  ASSERT_EQ(na, nb);
  for (int i = 0; i < na; ++i) {
    EXPECT_EQ(a[i].Function, b[i].Function) << "block " << i;
    EXPECT_EQ(Bytes(a[i].Bytes, a[i].Bytes + a[i].ByteCount), Bytes(b[i].Bytes, b[i].Bytes + b[i].ByteCount))
        << "block " << i;
  }
}

// What giflib sees in the original and in our copy.
void ExpectGiflibSees(const GifFileType* a, const GifFileType* b, bool sameScreen) {
  if (sameScreen) {
    EXPECT_EQ(a->SWidth, b->SWidth);
    EXPECT_EQ(a->SHeight, b->SHeight);
  }
  EXPECT_EQ(a->SBackGroundColor, b->SBackGroundColor);
  EXPECT_EQ(a->AspectByte, b->AspectByte);
  {
    SCOPED_TRACE("global table");
    ExpectSameTable(a->SColorMap, b->SColorMap);
  }
  ASSERT_EQ(a->ImageCount, b->ImageCount);
  for (int i = 0; i < a->ImageCount; ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    const SavedImage &x = a->SavedImages[i], &y = b->SavedImages[i];
    EXPECT_EQ(x.ImageDesc.Left, y.ImageDesc.Left);
    EXPECT_EQ(x.ImageDesc.Top, y.ImageDesc.Top);
    ASSERT_EQ(x.ImageDesc.Width, y.ImageDesc.Width);
    ASSERT_EQ(x.ImageDesc.Height, y.ImageDesc.Height);
    EXPECT_EQ(x.ImageDesc.Interlace, y.ImageDesc.Interlace);
    ExpectSameTable(x.ImageDesc.ColorMap, y.ImageDesc.ColorMap);
    std::size_t n = static_cast<std::size_t>(x.ImageDesc.Width) * static_cast<std::size_t>(x.ImageDesc.Height);
    if (n) EXPECT_EQ(0, std::memcmp(x.RasterBits, y.RasterBits, n)) << "colour indices differ";
    ExpectSameExtensions(x.ExtensionBlockCount, x.ExtensionBlocks, y.ExtensionBlockCount, y.ExtensionBlocks);
  }
  SCOPED_TRACE("trailing extensions");
  ExpectSameExtensions(a->ExtensionBlockCount, a->ExtensionBlocks, b->ExtensionBlockCount, b->ExtensionBlocks);
}

std::vector<Bytes> ExtensionBytes(const TGIFSubImage& f) {
  std::vector<Bytes> out;
  for (int i = 0; i < f.Extensions()->Count(); ++i) {
    TMemoryStream s;
    (*f.Extensions())[i]->SaveToStream(s);
    out.push_back(s.Bytes());
  }
  return out;
}

Bytes TableBytes(const TGIFColorMap* m) {
  return Bytes(reinterpret_cast<const std::uint8_t*>(m->Data()),
               reinterpret_cast<const std::uint8_t*>(m->Data()) + 3 * m->Count());
}

// What this reader sees in the original and in our copy.
void ExpectWeSee(TGIFImage& a, TGIFImage& b) {
  EXPECT_EQ(a.GetWidth(), b.GetWidth());
  EXPECT_EQ(a.GetHeight(), b.GetHeight());
  EXPECT_EQ(a.GetBackgroundColorIndex(), b.GetBackgroundColorIndex());
  EXPECT_EQ(a.GetAspectRatio(), b.GetAspectRatio());
  EXPECT_EQ(TableBytes(a.GlobalColorMap()), TableBytes(b.GlobalColorMap()));
  ASSERT_EQ(a.Images()->Count(), b.Images()->Count());
  for (int i = 0; i < a.Images()->Count(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    const TGIFSubImage &x = *(*a.Images())[i], &y = *(*b.Images())[i];
    EXPECT_EQ(x.GetEmpty(), y.GetEmpty());
    EXPECT_EQ(x.GetBoundsRect(), y.GetBoundsRect());
    EXPECT_EQ(x.GetInterlaced(), y.GetInterlaced());
    EXPECT_EQ(x.Transparent(), y.Transparent());
    EXPECT_EQ(TableBytes(x.ColorMap()), TableBytes(y.ColorMap()));
    EXPECT_TRUE(PixelsOf(x) == PixelsOf(y)) << "colour indices differ";
    EXPECT_EQ(ExtensionBytes(x), ExtensionBytes(y));
  }
}

std::string Relative(const std::string& path) { return fs::relative(path, CorpusDir()).generic_string(); }

// Corpus files with frames reaching past the logical screen: the reader
// enlarges the screen to hold them ("Image exceeds Logical Screen size"),
// so the copy's screen is the larger one. Everything else must match.
const std::set<std::string> kScreenEnlarged = {
    "pygif-test-suite/image-outside-bg.gif",
    "pygif-test-suite/image-overlap-bg.gif",
    "wuffs/artificial-gif/frame-out-of-bounds.gif",
};

// Corpus files this writer refuses, with its error: their decoded indices
// reach past the colour table the frame uses.
const std::map<std::string, std::string> kRefused = {
    {"pygif-test-suite/invalid-colors.gif", "Color not in color table"},
};

void WriteBytes(const fs::path& p, const Bytes& b) {
  std::ofstream o(p, std::ios::binary);
  o.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Whether ImageMagick reads all the files (identify, and conversion to PNG).
bool ImageMagickReads(std::vector<std::string>::const_iterator begin, std::vector<std::string>::const_iterator end,
                      const fs::path& work) {
  std::string list;
  for (auto f = begin; f != end; ++f) list += " '" + *f + "'";
  fs::path png = work / "png";
  fs::create_directories(png);
  bool ok = RunShell("identify-im6.q16 -quiet" + list + " >/dev/null 2>&1") &&
            RunShell("mogrify-im6.q16 -quiet -path '" + png.string() + "' -format png" + list + " >/dev/null 2>&1");
  fs::remove_all(png);
  return ok;
}

// The files ImageMagick rejects, found by halving the list.
void ImageMagickRejects(std::vector<std::string>::const_iterator begin, std::vector<std::string>::const_iterator end,
                        const fs::path& work, std::vector<std::string>& rejected) {
  if (begin == end || ImageMagickReads(begin, end, work)) return;
  if (end - begin == 1) {
    rejected.push_back(*begin);
    return;
  }
  auto mid = begin + (end - begin) / 2;
  ImageMagickRejects(begin, mid, work, rejected);
  ImageMagickRejects(mid, end, work, rejected);
}

TEST(RoundTrip, CorpusFilesGiflibReads) {
  const std::string dir = CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "peer corpus not found";
  testsupport::TempDir work("gif-roundtrip");
  std::vector<std::string> written;
  std::map<std::string, std::string> originals;  // written copy -> original
  int files = 0, copies = 0;
  for (const std::string& path : ListGIFs(dir)) {
    const std::string name = Relative(path);
    Bytes bytes = ReadFileBytes(path);
    Giflib theirs(bytes);
    if (!theirs.Ok) continue;
    TGIFImage ours;
    if (!LoadInto(ours, bytes).Ok) continue;  // giflib's differences are the reader tests' concern
    ++files;
    for (TGIFCompression comp : {gcLZW, gcRLE}) {
      SCOPED_TRACE(name + (comp == gcRLE ? " RLE" : " LZW"));
      Bytes copy;
      std::string error;
      try {
        copy = Save(ours, comp);
      } catch (const GIFException& e) {
        error = e.Message;
      }
      auto refused = kRefused.find(name);
      EXPECT_EQ(error, refused == kRefused.end() ? "" : refused->second);
      if (!error.empty()) continue;
      ++copies;
      TGIFImage back;
      TLoadResult r = LoadInto(back, copy);
      ASSERT_TRUE(r.Ok) << r.Error;
      for (const TWarn& w : r.Warnings) ADD_FAILURE() << "warning reading the copy: " << w.Message;
      ExpectWeSee(ours, back);
      Giflib again(copy);
      ASSERT_TRUE(again.Ok) << "giflib rejects the copy";
      ExpectGiflibSees(theirs.operator->(), again.operator->(), kScreenEnlarged.count(name) == 0);
      if (kScreenEnlarged.count(name)) {
        EXPECT_EQ(again->SWidth, ours.GetWidth());
        EXPECT_EQ(again->SHeight, ours.GetHeight());
      }
      fs::path out = work / (std::to_string(written.size()) + (comp == gcRLE ? "-rle.gif" : "-lzw.gif"));
      WriteBytes(out, copy);
      written.push_back(out.string());
      originals[out.string()] = path;
    }
  }
  EXPECT_GT(files, 100);
  std::printf("round trip: %d corpus files giflib reads, %d copies written\n", files, copies);

  if (!RunShell("command -v identify-im6.q16 >/dev/null && command -v convert-im6.q16 >/dev/null")) {
    std::printf("ImageMagick not found: its check skipped\n");
    return;
  }
  // A copy ImageMagick rejects counts only when it reads the original.
  std::vector<std::string> rejected;
  ImageMagickRejects(written.begin(), written.end(), work.path(), rejected);
  for (const std::string& f : rejected) {
    const std::vector<std::string> original = {originals[f]};
    if (ImageMagickReads(original.begin(), original.end(), work.path()))
      ADD_FAILURE() << "ImageMagick rejects the copy " << f << " of " << Relative(originals[f]);
    else
      std::printf("ImageMagick rejects %s and its copy\n", Relative(originals[f]).c_str());
  }
}

// Frames built here, both encoders, interlaced or not: giflib decodes the
// indices written.
TEST(RoundTrip, GiflibDecodesBothEncoders) {
  for (const TFrameCase& c : FrameCases()) {
    Bytes px = CasePixels(c);
    for (bool interlaced : {false, true})
      for (TGIFCompression comp : {gcLZW, gcRLE}) {
        SCOPED_TRACE(std::string(c.Name) + (interlaced ? " interlaced" : "") + (comp == gcRLE ? " RLE" : " LZW"));
        auto image = MakeImage(c.W, c.H, c.Colors, px, interlaced);
        Bytes gif = Save(*image, comp);
        Giflib g(gif);
        ASSERT_TRUE(g.Ok);
        ASSERT_EQ(g->ImageCount, 1);
        ASSERT_EQ(static_cast<std::size_t>(g->SavedImages[0].ImageDesc.Width) * g->SavedImages[0].ImageDesc.Height,
                  px.size());
        EXPECT_EQ(0, std::memcmp(g->SavedImages[0].RasterBits, px.data(), px.size()));
      }
  }
}

}  // namespace
