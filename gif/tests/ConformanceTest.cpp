// Conformance against giflib (a test-only oracle) and the peer corpus's own
// expected outputs: every GIF giflib decodes must give the same frames here.
#include "Fixtures.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace {

struct GiflibFile {
  GifFileType* gif = nullptr;
  int error = 0;
  bool ok = false;
  explicit GiflibFile(const std::string& path) {
    gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return;
    ok = DGifSlurp(gif) == GIF_OK;
    if (!ok) error = gif->Error;
  }
  ~GiflibFile() {
    int e;
    if (gif) DGifCloseFile(gif, &e);
  }
};

std::vector<TGIFSubImage*> ImageFrames(TGIFImage& image) {
  std::vector<TGIFSubImage*> v;
  for (int i = 0; i < image.Images()->Count(); ++i)
    if ((*image.Images())[i]->HasDescriptor()) v.push_back((*image.Images())[i]);
  return v;
}

void ExpectSameTable(const ColorMapObject* g, TGIFColorMap* ours, const char* what) {
  SCOPED_TRACE(what);
  int n = g ? g->ColorCount : 0;
  ASSERT_EQ(ours->Count(), n);
  for (int i = 0; i < n; ++i) {
    TGIFColor c = ours->GetGIFColor(i);
    EXPECT_EQ(c.Red, g->Colors[i].Red) << i;
    EXPECT_EQ(c.Green, g->Colors[i].Green) << i;
    EXPECT_EQ(c.Blue, g->Colors[i].Blue) << i;
  }
}

int CountGCEs(TGIFSubImage* f) {
  int n = 0;
  for (int i = 0; i < f->Extensions()->Count(); ++i)
    n += dynamic_cast<TGIFGraphicControlExtension*>((*f->Extensions())[i]) != nullptr;
  return n;
}

bool HasWarning(const TLoadResult& r, const std::string& m) {
  for (const TWarn& w : r.Warnings)
    if (w.Message == m) return true;
  return false;
}

void CompareWithGiflib(GifFileType* g, TGIFImage& image, const TLoadResult& r) {
  // The screen grows to hold its frames: with warnings from a real size,
  // silently from 0.
  if (!HasWarning(r, GIFImageMessages::_sScreenSizeExceeded) && g->SWidth != 0 && g->SHeight != 0) {
    EXPECT_EQ(image.GetWidth(), g->SWidth);
    EXPECT_EQ(image.GetHeight(), g->SHeight);
  }
  EXPECT_EQ(image.GetBackgroundColorIndex(), g->SBackGroundColor);
  ExpectSameTable(g->SColorMap, image.GlobalColorMap(), "global table");
  std::vector<TGIFSubImage*> frames = ImageFrames(image);
  ASSERT_EQ(static_cast<int>(frames.size()), g->ImageCount);
  for (int i = 0; i < g->ImageCount; ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    const SavedImage& s = g->SavedImages[i];
    TGIFSubImage* f = frames[static_cast<std::size_t>(i)];
    EXPECT_EQ(f->Left(), s.ImageDesc.Left);
    EXPECT_EQ(f->Top(), s.ImageDesc.Top);
    ASSERT_EQ(f->Width(), s.ImageDesc.Width);
    ASSERT_EQ(f->Height(), s.ImageDesc.Height);
    EXPECT_EQ(f->GetInterlaced(), s.ImageDesc.Interlace);
    ExpectSameTable(s.ImageDesc.ColorMap, f->ColorMap(), "local table");
    std::size_t n = static_cast<std::size_t>(s.ImageDesc.Width) * static_cast<std::size_t>(s.ImageDesc.Height);
    ASSERT_EQ(f->DataSize(), n);
    if (n) EXPECT_EQ(0, std::memcmp(f->Data(), s.RasterBits, n)) << "colour indices differ";

    GraphicsControlBlock gcb;
    bool hasGcb = DGifSavedExtensionToGCB(g, i, &gcb) == GIF_OK && s.ExtensionBlockCount > 0 &&
                  CountGCEs(f) > 0;
    if (!hasGcb) {
      continue;
    }
    // Both take the first graphic control block in front of a frame.
    TGIFGraphicControlExtension* gce = f->GraphicControlExtension();
    EXPECT_EQ(gce->GetDelay(), gcb.DelayTime);
    EXPECT_EQ(gce->GetDisposal(), gcb.DisposalMode);
    EXPECT_EQ(gce->GetTransparent() ? gce->GetTransparentColorIndex() : -1, gcb.TransparentColor);
    EXPECT_EQ(f->Transparent(), gcb.TransparentColor >= 0);
  }
}

std::string Describe(const TLoadResult& r, TGIFImage& image) {
  std::ostringstream o;
  if (!r.Ok) {
    o << "raises \"" << r.Error << "\"";
  } else {
    o << "loads " << ImageFrames(image).size() << " frame(s)";
    for (const TWarn& w : r.Warnings) o << "; warns \"" << w.Message << "\"";
  }
  return o.str();
}

// Files giflib decodes that are read differently here, with the outcome
// here: an unregistered extension label is a fatal fault for this reader.
const std::map<std::string, std::string> kGiflibDifferences = {
    {"pygif-test-suite/unknown-extension.gif", "raises \"Unknown extension type\""},
};

class Corpus : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = CorpusDir();
    if (dir_.empty()) GTEST_SKIP() << "peer corpus not found (expected ../shared/corpus/gif beside the source tree)";
  }
  std::string dir_;
};

TEST_F(Corpus, SameFramesAsGiflibWhereverGiflibDecodes) {
  int compared = 0;
  std::ostringstream rejected;
  for (const std::string& path : ListGIFs(dir_)) {
    SCOPED_TRACE(path);
    GiflibFile g(path);
    TGIFImage image;
    TLoadResult r = LoadInto(image, ReadFileBytes(path));
    const std::string rel = path.substr(dir_.size() + 1);
    auto known = kGiflibDifferences.find(rel);
    if (known != kGiflibDifferences.end()) {
      EXPECT_EQ(Describe(r, image), known->second);
      continue;
    }
    if (g.ok) {
      ASSERT_TRUE(r.Ok) << r.Error;
      CompareWithGiflib(g.gif, image, r);
      ++compared;
    } else if (path.find("/afl/") == std::string::npos) {
      rejected << "  " << path.substr(dir_.size() + 1) << ": giflib error " << g.error << "; here it "
               << Describe(r, image) << "\n";
    }
  }
  EXPECT_GE(compared, 100);
  std::cout << "compared with giflib: " << compared << " files\nrejected by giflib (outside afl/):\n"
            << rejected.str();
}

// The fuzz-found files load or raise GIFException, nothing else.
TEST_F(Corpus, FuzzFoundFilesLoadOrRaise) {
  int loaded = 0, raised = 0;
  for (const std::string& path : ListGIFs(dir_ + "/libnsgif/afl")) {
    TGIFImage image;
    TLoadResult r;
    ASSERT_NO_THROW(r = LoadInto(image, ReadFileBytes(path))) << path;
    (r.Ok ? loaded : raised)++;
  }
  EXPECT_EQ(loaded + raised, 281);
  std::cout << "afl: " << loaded << " load, " << raised << " raise GIFException\n";
}

// wuffs' golden index files: frame 0 of the stills, every frame of muybridge.
TEST_F(Corpus, WuffsGoldenIndexes) {
  const std::string w = dir_ + "/wuffs/";
  struct Golden {
    std::string gif, indexes;
    int frame;
  };
  std::vector<Golden> cases = {{"bricks-dither.gif", "bricks-dither.indexes", 0},
                               {"bricks-gray.gif", "bricks-gray.indexes", 0},
                               {"bricks-nodither.gif", "bricks-nodither.indexes", 0}};
  for (int i = 0; i < 15; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "muybridge-frame-%03d.indexes", i);
    cases.push_back({"muybridge.gif", name, i});
  }
  for (const Golden& c : cases) {
    SCOPED_TRACE(c.indexes);
    TGIFImage image;
    ASSERT_TRUE(LoadInto(image, ReadFileBytes(w + c.gif)).Ok);
    Bytes want = ReadFileBytes(w + "expected/" + c.indexes);
    TGIFSubImage* f = ImageFrames(image).at(static_cast<std::size_t>(c.frame));
    ASSERT_EQ(f->DataSize(), want.size());
    EXPECT_EQ(0, std::memcmp(f->Data(), want.data(), want.size()));
  }
}

// The bare LZW vectors (first byte = literal width), wrapped into a frame.
TEST_F(Corpus, WuffsLZWVectors) {
  const std::string e = dir_ + "/wuffs/expected/";
  for (const char* stem : {"pi.txt", "bricks-nodither.indexes", "bricks-gray.indexes"}) {
    SCOPED_TRACE(stem);
    Bytes want = ReadFileBytes(e + stem);
    Bytes lzw = ReadFileBytes(e + std::string(stem) + ".giflzw");
    ASSERT_FALSE(lzw.empty());
    // Rows of 1000 (the last one partly filled) hold the whole output.
    const std::uint16_t w = want.size() < 1000 ? static_cast<std::uint16_t>(want.size()) : 1000;
    const auto h = static_cast<std::uint16_t>((want.size() + w - 1) / w);
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', std::uint8_t(w), std::uint8_t(w >> 8), std::uint8_t(h),
                 std::uint8_t(h >> 8), 0, 0, 0,
                 0x2C, 0, 0, 0, 0, std::uint8_t(w), std::uint8_t(w >> 8), std::uint8_t(h),
                 std::uint8_t(h >> 8), 0, lzw[0]};
    gif = Cat({gif, SubBlocks(Bytes(lzw.begin() + 1, lzw.end())), kTrailer});
    TGIFImage image;
    TLoadResult r = LoadInto(image, gif);
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_TRUE(r.Warnings.empty());
    TGIFSubImage* f = (*image.Images())[0];
    ASSERT_GE(f->DataSize(), want.size());
    EXPECT_EQ(0, std::memcmp(f->Data(), want.data(), want.size()));
  }
}

// Cases whose expected frames come from compositing rather than from the
// file's own images, with the outcome here.
const std::map<std::string, std::string> kPygifDifferences = {
    // No image at all: the suite shows the screen's background as a frame.
    {"no-data", "loads 0 frame(s)"},
    // The descriptor announces a local colour table the file does not hold.
    {"image-zero-height", "raises \"Premature end of data\""},
    {"image-zero-size", "raises \"Premature end of data\""},
    // An unregistered extension label is a fatal fault for this reader.
    {"unknown-extension", "raises \"Unknown extension type\""},
};

std::map<std::string, std::map<std::string, std::string>> ReadIni(const std::string& path) {
  std::map<std::string, std::map<std::string, std::string>> ini;
  std::ifstream f(path);
  std::string line, section;
  while (std::getline(f, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    auto trim = [](std::string s) {
      s.erase(0, s.find_first_not_of(' '));
      s.erase(s.find_last_not_of(' ') + 1);
      return s;
    };
    ini[section][trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
  }
  return ini;
}

// pygif's .conf files: frame counts, delays and loop counts. Files whose
// conf expects a rejection are listed with what happens here instead.
TEST_F(Corpus, PygifFrameCountsDelaysAndLoops) {
  const std::string p = dir_ + "/pygif-test-suite/";
  std::ifstream tests(p + "TESTS");
  std::string name;
  int checked = 0;
  std::ostringstream differ;
  while (std::getline(tests, name)) {
    if (name.empty()) continue;
    SCOPED_TRACE(name);
    auto ini = ReadIni(p + name + ".conf");
    auto& cfg = ini["config"];
    TGIFImage image;
    TLoadResult r = LoadInto(image, ReadFileBytes(p + cfg["input"]));
    std::vector<std::string> want;
    std::stringstream list(cfg["frames"]);
    for (std::string f; std::getline(list, f, ',');)
      if (!f.empty()) want.push_back(f);
    std::vector<TGIFSubImage*> frames;
    for (TGIFSubImage* f : ImageFrames(image))
      if (!f->GetEmpty()) frames.push_back(f);
    auto known = kPygifDifferences.find(name);
    if (known != kPygifDifferences.end()) {
      EXPECT_EQ(Describe(r, image), known->second);
      continue;
    }
    if (want.empty()) {
      if (r.Ok && !frames.empty()) differ << "  " << name << ": expected no frames; here it " << Describe(r, image) << "\n";
      continue;
    }
    ASSERT_TRUE(r.Ok) << r.Error;
    // The suite shows images with no delay together with the next one,
    // unless the case forces every image to be its own frame.
    std::vector<int> shown;  // the delay of each frame shown
    for (std::size_t i = 0; i < frames.size(); ++i) {
      TGIFGraphicControlExtension* gce = frames[i]->GraphicControlExtension();
      int delay = gce ? gce->GetDelay() : 0;
      if (delay != 0 || i + 1 == frames.size() || cfg["force-animation"] == "yes") shown.push_back(delay);
    }
    ASSERT_EQ(shown.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
      auto& fr = ini[want[i]];
      EXPECT_EQ(shown[i], fr.count("delay") ? std::stoi(fr["delay"]) : 0) << "frame " << i;
    }
    const std::string& loops = cfg["loop-count"];
    TGIFAppExtNSLoop* loop = nullptr;
    TGIFSubImage* first = (*image.Images())[0];
    for (int e = 0; e < first->Extensions()->Count() && !loop; ++e)
      loop = dynamic_cast<TGIFAppExtNSLoop*>((*first->Extensions())[e]);
    if (loops != "0" && !loop && cfg["force-animation"] == "yes") {
      // A GIF87a animation: no loop extension, the suite plays it forever.
    } else if (loops == "0") {
      EXPECT_EQ(loop, nullptr);
    } else {
      ASSERT_NE(loop, nullptr);
      EXPECT_EQ(loop->LoopCount(), loops == "infinite" ? 0 : std::stoi(loops));
    }
    if (cfg.count("buffer-size")) {
      ASSERT_NE(loop, nullptr);
      EXPECT_EQ(loop->BufferSize(), std::stoul(cfg["buffer-size"]));
    }
    ++checked;
  }
  EXPECT_GE(checked, 70);
  std::cout << "pygif cases checked: " << checked << "\nexpected rejections that load here:\n" << differ.str();
}

// The table fills up without a clear code (giflib rejects the file): the
// decoder keeps going at 12 bits, and the picture matches the suite's.
TEST_F(Corpus, TableFullWithoutClearCodeMatchesPygif) {
  const std::string p = dir_ + "/pygif-test-suite/";
  TGIFImage image;
  TLoadResult r = LoadInto(image, ReadFileBytes(p + "max-codes.gif"));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_TRUE(r.Warnings.empty());
  Bytes want = ReadFileBytes(p + "random-image.rgba");
  TGIFSubImage* f = (*image.Images())[0];
  ASSERT_EQ(want.size(), f->DataSize() * 4);
  TGIFColorMap* map = f->GetActiveColorMap();
  for (std::size_t i = 0; i < f->DataSize(); ++i) {
    TGIFColor c = map->GetGIFColor(f->Data()[i]);
    ASSERT_EQ(c, (TGIFColor{want[i * 4], want[i * 4 + 1], want[i * 4 + 2]})) << "pixel " << i;
  }
}

}  // namespace
