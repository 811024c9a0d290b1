// GIFs made here by ImageMagick and gifsicle, decoded both here and by
// giflib: interlaced, transparent, local tables, 1 to 8 bits, every
// disposal, large frames.
#include "Support.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include "testsupport.h"

#include <cstring>

namespace {

struct Made {
  const char* name;
  const char* command;  // run in the work folder; writes out.gif
};

// Each command writes out.gif from ImageMagick's built-in pictures.
const Made kMade[] = {
    {"1 bit", "convert-im6.q16 -size 37x23 pattern:checkerboard -colors 2 out.gif"},
    {"2 bits", "convert-im6.q16 -size 40x30 plasma:red-blue -colors 4 out.gif"},
    {"4 bits interlaced", "convert-im6.q16 -size 61x47 plasma:fractal -colors 16 -interlace GIF out.gif"},
    {"8 bits", "convert-im6.q16 -size 128x96 -seed 3 plasma:fractal -colors 256 out.gif"},
    {"8 bits interlaced, odd height", "convert-im6.q16 -size 99x13 -seed 4 plasma:fractal -colors 200 -interlace GIF out.gif"},
    {"transparent", "convert-im6.q16 -size 50x40 xc:none -fill red -draw 'circle 25,20 25,5' -colors 8 out.gif"},
    {"large frame", "convert-im6.q16 -size 1500x1100 -seed 5 plasma:fractal -colors 256 out.gif"},
    {"every disposal",
     "convert-im6.q16 -size 30x20 xc:red r.gif && convert-im6.q16 -size 10x8 xc:blue b.gif && "
     "convert-im6.q16 -size 12x6 plasma: -colors 64 p.gif && convert-im6.q16 -size 9x9 xc:none -fill green "
     "-draw 'point 4,4' g.gif && gifsicle --no-warnings --loopcount=4 --delay 3 r.gif --disposal none "
     "--position 3,4 b.gif --disposal asis --position 10,2 p.gif --disposal background --position 1,1 g.gif "
     "--disposal previous -i b.gif > out.gif"},
    {"local tables", "convert-im6.q16 -size 30x20 xc:red r.gif && convert-im6.q16 -size 12x6 plasma: -colors 64 p.gif && "
                     "convert-im6.q16 -size 10x8 xc:blue -interlace GIF b.gif && convert-im6.q16 r.gif p.gif b.gif out.gif"},
    {"optimised animation", "convert-im6.q16 -delay 5 -size 64x48 -seed 6 plasma:fractal plasma:fractal "
                            "plasma:fractal -loop 0 -layers Optimize out.gif"},
};

TEST(Generated, SameAsGiflib) {
  if (!RunShell("command -v convert-im6.q16 >/dev/null && command -v gifsicle >/dev/null"))
    GTEST_SKIP() << "ImageMagick (convert-im6.q16) or gifsicle not installed";
  testsupport::TempDir folder("giftest-generated");
  std::string dir = folder.path().string();
  for (const Made& m : kMade) {
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(RunShell("cd '" + dir + "' && rm -f out.gif && " + m.command + " 2>/dev/null"));
    std::string path = dir + "/out.gif";
    int err = 0;
    GifFileType* g = DGifOpenFileName(path.c_str(), &err);
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(DGifSlurp(g), GIF_OK);
    TGIFImage image;
    TLoadResult r = LoadInto(image, ReadFileBytes(path));
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_TRUE(r.Warnings.empty());
    ASSERT_EQ(image.Images()->Count(), g->ImageCount);
    for (int i = 0; i < g->ImageCount; ++i) {
      SCOPED_TRACE(i);
      const SavedImage& s = g->SavedImages[i];
      TGIFSubImage* f = (*image.Images())[i];
      ASSERT_EQ(f->GetBoundsRect(), Rect(s.ImageDesc.Left, s.ImageDesc.Top, s.ImageDesc.Left + s.ImageDesc.Width,
                                         s.ImageDesc.Top + s.ImageDesc.Height));
      EXPECT_EQ(f->GetInterlaced(), s.ImageDesc.Interlace);
      EXPECT_EQ(f->ColorMap()->Count(), s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap->ColorCount : 0);
      ASSERT_EQ(f->DataSize(), static_cast<std::size_t>(s.ImageDesc.Width) * s.ImageDesc.Height);
      EXPECT_EQ(0, std::memcmp(f->Data(), s.RasterBits, f->DataSize()));
      GraphicsControlBlock gcb;
      if (DGifSavedExtensionToGCB(g, i, &gcb) == GIF_OK && f->GraphicControlExtension()) {
        EXPECT_EQ(f->GraphicControlExtension()->GetDisposal(), gcb.DisposalMode);
        EXPECT_EQ(f->GraphicControlExtension()->GetDelay(), gcb.DelayTime);
        EXPECT_EQ(f->Transparent() ? f->GraphicControlExtension()->GetTransparentColorIndex() : -1,
                  gcb.TransparentColor);
      }
    }
    DGifCloseFile(g, &err);
  }
  RunShell("rm -rf '" + dir + "'");
}

}  // namespace
