// The reader's tolerance table: what raises, what warns, what passes
// silently, each with its exact text and severity.
#include "Fixtures.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace GIFImageMessages;

const TWarn W(const char* m) { return TWarn{gsWarning, m}; }

struct ReaderCase {
  const char* name;
  Bytes data;
  const char* error;            // nullptr: the load succeeds
  std::vector<TWarn> warnings;  // in order
  std::function<void(TGIFImage&)> check;
};

TGIFSubImage* Frame(TGIFImage& image, int i) { return (*image.Images())[i]; }

void ExpectPixels(TGIFImage& image, int frame, const Bytes& want) {
  TGIFSubImage* f = Frame(image, frame);
  ASSERT_EQ(f->DataSize(), want.size());
  EXPECT_EQ(Bytes(f->Data(), f->Data() + f->DataSize()), want);
}

Bytes AppExt(std::uint8_t blockSize, const char* id) {
  Bytes b = {0x21, 0xFF, blockSize};
  for (int i = 0; i < 11; ++i) b.push_back(static_cast<std::uint8_t>(id[i]));
  return b;
}

const std::vector<ReaderCase>& Cases() {
  static const std::vector<ReaderCase> cases = {
      // --- silent ------------------------------------------------------------
      {"plain frame", Cat({kHeader, kFrame, kTrailer}), nullptr, {},
       [](TGIFImage& i) {
         ASSERT_EQ(i.Images()->Count(), 1);
         ExpectPixels(i, 0, {0, 1, 1, 0});
       }},
      {"4 leading bytes before the signature", Cat({{1, 2, 3, 4}, kHeader, kFrame, kTrailer}), nullptr, {},
       [](TGIFImage& i) { ExpectPixels(i, 0, {0, 1, 1, 0}); }},
      {"lower-case signature, any version",
       Cat({{'g', 'i', 'f', '1', '2', 'x'}, Bytes(kHeader.begin() + 6, kHeader.end()), kFrame, kTrailer}),
       nullptr, {}, [](TGIFImage& i) { EXPECT_EQ(i.Header()->SignatureVersion(), "12x"); }},
      {"no trailer", Cat({kHeader, kFrame}), nullptr, {},
       [](TGIFImage& i) { EXPECT_EQ(i.Images()->Count(), 1); }},
      {"zeros between blocks and before the trailer",
       Cat({kHeader, {0, 0}, kGCE, kFrame, {0, 0, 0}, kFrame, {0}, kTrailer}), nullptr, {},
       [](TGIFImage& i) { EXPECT_EQ(i.Images()->Count(), 2); }},
      {"graphic control, comment and loop extensions", Cat({kHeader, kLoop, kComment, kGCE, kFrame, kTrailer}),
       nullptr, {},
       [](TGIFImage& i) {
         TGIFSubImage* f = Frame(i, 0);
         ASSERT_EQ(f->Extensions()->Count(), 3);
         auto loop = dynamic_cast<TGIFAppExtNSLoop*>((*f->Extensions())[0]);
         ASSERT_NE(loop, nullptr);
         EXPECT_EQ(loop->LoopCount(), 5);
         auto comment = dynamic_cast<TGIFCommentExtension*>((*f->Extensions())[1]);
         ASSERT_NE(comment, nullptr);
         EXPECT_EQ(comment->Text()[0], "hi");
         TGIFGraphicControlExtension* gce = f->GraphicControlExtension();
         ASSERT_EQ(gce, (*f->Extensions())[2]);
         EXPECT_TRUE(f->Transparent());
         EXPECT_EQ(gce->GetTransparentColorIndex(), 1);
         EXPECT_EQ(gce->GetDelay(), 7);
         EXPECT_EQ(gce->GetDisposal(), 2);
         EXPECT_EQ(i.GetVersion(), gv89a);
       }},
      {"ANIMEXTS1.0 is a loop extension", Cat({kHeader, AppExt(11, "ANIMEXTS1.0"), {3, 1, 9, 0, 0}, kFrame, kTrailer}),
       nullptr, {},
       [](TGIFImage& i) {
         auto loop = dynamic_cast<TGIFAppExtNSLoop*>((*Frame(i, 0)->Extensions())[0]);
         ASSERT_NE(loop, nullptr);
         EXPECT_EQ(loop->LoopCount(), 9);
         EXPECT_EQ(loop->GetIdentifier(), "ANIMEXTS");
       }},
      {"loop buffer sub-block", Cat({kHeader, AppExt(11, "NETSCAPE2.0"), {5, 2, 0, 4, 0, 0, 0}, kFrame, kTrailer}),
       nullptr, {},
       [](TGIFImage& i) {
         auto loop = dynamic_cast<TGIFAppExtNSLoop*>((*Frame(i, 0)->Extensions())[0]);
         ASSERT_NE(loop, nullptr);
         EXPECT_EQ(loop->BufferSize(), 1024u);
       }},
      // Block size 10: the 10 bytes are an unknown application's; reading
      // steps back one byte, which starts the data sub-blocks.
      {"application block size 10", Cat({kHeader, {0x21, 0xFF, 0x0A, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', '1', '2'},
                                         {2, 'x', 'y', 0}, kFrame, kTrailer}),
       nullptr, {},
       [](TGIFImage& i) {
         auto app = dynamic_cast<TGIFUnknownAppExtension*>((*Frame(i, 0)->Extensions())[0]);
         ASSERT_NE(app, nullptr);
         EXPECT_EQ(app->GetIdentifier(), "ABCDEFGH");
         EXPECT_EQ(app->GetAuthentication(), std::string("12\x02", 3));
         ASSERT_EQ(app->Blocks().size(), 1u);
         EXPECT_EQ(app->Blocks()[0]->Size(), 2);
         EXPECT_EQ(app->Blocks()[0]->Data()[0], 'x');
       }},
      {"unknown application keeps its blocks", Cat({kHeader, AppExt(11, "XMP DataXMP"), {2, 7, 8, 1, 9, 0}, kFrame, kTrailer}),
       nullptr, {},
       [](TGIFImage& i) {
         auto app = dynamic_cast<TGIFUnknownAppExtension*>((*Frame(i, 0)->Extensions())[0]);
         ASSERT_NE(app, nullptr);
         ASSERT_EQ(app->Blocks().size(), 2u);
         EXPECT_EQ(app->Blocks()[1]->Data()[0], 9);
       }},
      {"trailing extensions make a frame without image", Cat({kHeader, kFrame, kComment, kTrailer}), nullptr, {},
       [](TGIFImage& i) {
         ASSERT_EQ(i.Images()->Count(), 2);
         EXPECT_FALSE(Frame(i, 1)->HasDescriptor());
         EXPECT_TRUE(Frame(i, 1)->GetEmpty());
         EXPECT_EQ(Frame(i, 1)->Extensions()->Count(), 1);
       }},
      {"interlaced frame of 5 rows",
       Cat({{'G', 'I', 'F', '8', '9', 'a', 1, 0, 5, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255},
            Descriptor(0, 0, 1, 5, 0x40),
            // clear 0 1 0 (3 bits) 1 0 end (4 bits) fill rows 0 4 2 1 3
            {0x02, 0x03, 0x44, 0x10, 0x50, 0x00}, kTrailer}),
       nullptr, {}, [](TGIFImage& i) { ExpectPixels(i, 0, {0, 1, 0, 0, 1}); }},

      // --- warned ------------------------------------------------------------
      {"early end keeps the transparent fill",
       Cat({{'G', 'I', 'F', '8', '9', 'a', 3, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255}, kGCE,
            Descriptor(0, 0, 3, 2), kPixels0110NoEnd, kTrailer}),
       nullptr, {W(_sDecodeTooFewBits)}, [](TGIFImage& i) { ExpectPixels(i, 0, {0, 1, 1, 0, 1, 1}); }},
      {"early end keeps zero without transparency",
       Cat({{'G', 'I', 'F', '8', '9', 'a', 3, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255},
            // clear 0 1 1 (3 bits) then code 6 = "0 1" (4 bits), no more data
            Descriptor(0, 0, 3, 2), {0x02, 0x02, 0x44, 0x62, 0x00}, kTrailer}),
       nullptr, {W(_sDecodeTooFewBits)}, [](TGIFImage& i) { ExpectPixels(i, 0, {0, 1, 1, 0, 1, 0}); }},
      {"data sub-block longer than the stream", Cat({kHeader, Descriptor(0, 0, 2, 2), {0x02, 0x09, 0x44, 0x02}}),
       nullptr, {W(_sOutOfData)}, [](TGIFImage& i) { ExpectPixels(i, 0, {0, 1, 1, 0}); }},
      {"width 0 frame takes the screen size", Cat({kHeader, Descriptor(0, 0, 0, 2), kPixels0110, kTrailer}),
       nullptr, {W(_sScreenSizeExceeded)},
       [](TGIFImage& i) {
         EXPECT_EQ(Frame(i, 0)->Width(), 2);
         ExpectPixels(i, 0, {0, 1, 1, 0});
       }},
      {"frame past the screen enlarges it", Cat({kHeader, Descriptor(1, 1, 2, 2), kPixels0110, kTrailer}),
       nullptr, {W(_sBadWidth), W(_sBadHeight), W(_sScreenSizeExceeded)},
       [](TGIFImage& i) {
         EXPECT_EQ(i.GetWidth(), 3);
         EXPECT_EQ(i.GetHeight(), 3);
         ExpectPixels(i, 0, {0, 1, 1, 0});
       }},
      {"frame on a 0 x 0 screen grows it silently",
       Cat({{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255}, kFrame, kTrailer}),
       nullptr, {},
       [](TGIFImage& i) {
         EXPECT_EQ(i.GetWidth(), 2);
         EXPECT_EQ(i.GetHeight(), 2);
       }},
      {"frame far outside the screen", Cat({kHeader, Descriptor(0xFFFF, 0, 2, 2), kPixels0110, kTrailer}),
       nullptr, {W(_sBadWidth), W(_sScreenSizeExceeded)},
       [](TGIFImage& i) { EXPECT_EQ(i.GetWidth(), 65535); }},
      {"unknown block type ends the frames", Cat({kHeader, kFrame, {0x99}, kFrame, kTrailer}), nullptr,
       {W(_sBadBlock), W(_sBadTrailer)}, [](TGIFImage& i) { EXPECT_EQ(i.Images()->Count(), 1); }},
      {"wrong trailer byte", Cat({kHeader, kFrame, {0x3C}}), nullptr, {W(_sBadBlock), W(_sBadTrailer)}, nullptr},
      {"0x00 after an extension", Cat({kHeader, kGCE, {0x00}, kFrame, kTrailer}), nullptr, {W(_sBadExtensionLabel)},
       [](TGIFImage& i) {
         ASSERT_EQ(i.Images()->Count(), 2);
         EXPECT_FALSE(Frame(i, 0)->HasDescriptor());
         EXPECT_EQ(Frame(i, 0)->Extensions()->Count(), 1);
         ExpectPixels(i, 1, {0, 1, 1, 0});
       }},
      {"short graphic control block", Cat({kHeader, {0x21, 0xF9, 0x04, 0x01}}), nullptr, {W(_sOutOfData)},
       [](TGIFImage& i) { EXPECT_EQ(i.Images()->Count(), 1); }},
      {"code past the filled table", Cat({kHeader, Descriptor(0, 0, 2, 2),
                                          // clear(4) 0 then code 7 before entry 6 exists
                                          {0x02, 0x02, 0xC4, 0x01, 0x00}, kFrame, kTrailer}),
       nullptr, {W(_sInvalidData)},
       [](TGIFImage& i) {
         ASSERT_EQ(i.Images()->Count(), 2);
         ExpectPixels(i, 0, {0, 0, 0, 0});
         ExpectPixels(i, 1, {0, 1, 1, 0});
       }},
      {"extra codes after the pixels are passed over",
       Cat({kHeader, Descriptor(0, 0, 1, 1), {0x02, 0x02, 0x44, 0x02, 0x01, 0x00, 0x00}, kFrame, kTrailer}),
       nullptr, {}, [](TGIFImage& i) { ASSERT_EQ(i.Images()->Count(), 2); }},

      // --- raised ------------------------------------------------------------
      {"bad signature", Cat({{'G', 'I', 'X', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0}}), _sBadSignature, {}, nullptr},
      {"header cut short", Bytes(kHeader.begin(), kHeader.begin() + 9), _sOutOfData, {}, nullptr},
      {"global table cut short", Bytes(kHeader.begin(), kHeader.end() - 1), _sOutOfData, {}, nullptr},
      {"descriptor cut short", Cat({kHeader, Bytes(kFrame.begin(), kFrame.begin() + 6)}), _sOutOfData, {}, nullptr},
      {"local table cut short", Cat({kHeader, Descriptor(0, 0, 2, 2, 0x80), {1, 2, 3}}), _sOutOfData, {}, nullptr},
      {"unregistered extension label 0x02", Cat({kHeader, {0x21, 0x02, 0x00}, kFrame, kTrailer}), _sUnknownExtension,
       {}, nullptr},
      {"extension introducer at the end", Cat({kHeader, {0x21}}), _sUnknownExtension, {}, nullptr},
      {"application block size 9", Cat({kHeader, {0x21, 0xFF, 0x09, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0},
                                        kFrame}),
       _sBadBlockSize, {}, nullptr},
      {"loop sub-block of size 2", Cat({kHeader, AppExt(11, "NETSCAPE2.0"), {2, 1, 5, 0}, kFrame}), _sInvalidData, {},
       nullptr},
      {"buffer sub-block of size 4", Cat({kHeader, AppExt(11, "NETSCAPE2.0"), {4, 2, 0, 4, 0, 0}, kFrame}), _sInvalidData,
       {}, nullptr},
      {"comment sub-block cut short", Cat({kHeader, {0x21, 0xFE, 0x05, 'a', 'b'}}), _sOutOfData, {}, nullptr},
      {"plain-text header cut short", Cat({kHeader, {0x21, 0x01, 0x0C, 0, 0}}), _sOutOfData, {}, nullptr},
      {"unknown application block cut short", Cat({kHeader, AppExt(11, "XMP DataXMP"), {4, 1}}), _sOutOfData, {}, nullptr},
      {"screen too large to hold a frame", Cat({{'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0},
                                                Descriptor(0, 0, 0, 0), kPixels0110, kTrailer}),
       _sOutOfMemDIB, {W(_sScreenSizeExceeded)}, nullptr},
  };
  return cases;
}

TEST(Reader, ToleranceTable) {
  for (const ReaderCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    TGIFImage image;
    TLoadResult r = LoadInto(image, c.data);
    if (c.error) {
      EXPECT_FALSE(r.Ok);
      EXPECT_EQ(r.Error, c.error);
      // A failed load leaves the image cleared and the stream where it was.
      EXPECT_EQ(image.Images()->Count(), 0);
      EXPECT_EQ(image.GetWidth(), 0);
      EXPECT_EQ(r.PositionAfter, 0);
    } else {
      EXPECT_TRUE(r.Ok) << r.Error;
    }
    EXPECT_EQ(r.Warnings, c.warnings);
    if (r.Ok && c.check) c.check(image);
  }
}

// The stream goes back to where the load started, not to its beginning.
TEST(Reader, FailureRestoresTheStartPositionAndClearsTheImage) {
  TGIFImage image;
  ASSERT_TRUE(LoadInto(image, Cat({kHeader, kFrame, kTrailer})).Ok);
  Bytes data = Cat({{9, 9, 9}, kHeader, {0x21, 0x02, 0x00}});
  TMemoryStream s(data.data(), data.size());
  s.SetPosition(3);
  EXPECT_THROW(image.LoadFromStream(s), GIFException);
  EXPECT_EQ(s.Position(), 3);
  EXPECT_TRUE(image.GetEmpty());
  EXPECT_EQ(image.GlobalColorMap()->Count(), 0);
}

TEST(Reader, ProgressReportsLoading) {
  TGIFImage image;
  std::vector<std::pair<TProgressStage, int>> seen;
  image.OnProgress = [&](TObject*, TProgressStage st, std::uint8_t p, bool, const TRect&, const std::string& m) {
    EXPECT_EQ(m, "Loading...");
    seen.push_back({st, p});
  };
  Bytes ok = Cat({kHeader, kFrame, kFrame, kTrailer});
  LoadInto(image, ok);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen.front(), std::make_pair(psStarting, 0));
  EXPECT_EQ(seen[1].first, psRunning);
  EXPECT_LT(seen[1].second, seen[2].second);
  EXPECT_EQ(seen.back(), std::make_pair(psEnding, 100));

  seen.clear();
  LoadInto(image, Cat({kHeader, {0x21, 0x02}}));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen.back(), std::make_pair(psEnding, 0));
}

}  // namespace
