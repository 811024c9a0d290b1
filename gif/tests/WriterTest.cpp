// The writer: header and tables, extensions, the block packer, both
// encoders' code streams, and the paths that store a picture.
#include "WriterSupport.h"
#include "gif/src/Encoder.h"
#include "gif/src/LZWEncoder.h"
#include "gif/src/RLEEncoder.h"

#include "testsupport.h"
#include "toolkit/base/Clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

using namespace GIFImageMessages;

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message;
  }
  return "";
}

Bytes Pattern(std::size_t n, int colors, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& v : b) v = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(colors));
  return b;
}

// Save, load into a fresh image, and compare every frame's pixels.
void ExpectRoundTrip(TGIFImage& image, TGIFCompression compression) {
  Bytes gif = Save(image, compression);
  TGIFImage back;
  TLoadResult r = LoadInto(back, gif);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_TRUE(r.Warnings.empty()) << r.Warnings.front().Message;
  ASSERT_EQ(back.Images()->Count(), image.Images()->Count());
  for (int i = 0; i < image.Images()->Count(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_EQ(PixelsOf(*(*back.Images())[i]), PixelsOf(*(*image.Images())[i]));
    EXPECT_EQ((*back.Images())[i]->GetInterlaced(), (*image.Images())[i]->GetInterlaced());
  }
}

// --- the block packer and the output-only stream ---------------------------

TEST(Writer, PacksBytesIntoSubBlocksWithoutEmptyOnes) {
  struct Case {
    std::size_t bytes;
    std::vector<int> blocks;
  } cases[] = {{0, {}}, {1, {1}}, {254, {254}}, {255, {255}}, {256, {255, 1}}, {600, {255, 255, 90}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    TMemoryStream target;
    Bytes data = Pattern(c.bytes, 256, 1);
    {
      TGIFWriter writer(target);
      // Half through Write, half byte by byte.
      writer.Write(data.data(), data.size() / 2);
      for (std::size_t i = data.size() / 2; i < data.size(); ++i) writer.WriteByte(data[i]);
    }  // the pending block goes out on destruction
    Bytes expected;
    std::size_t at = 0;
    for (int n : c.blocks) {
      expected.push_back(static_cast<std::uint8_t>(n));
      expected.insert(expected.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + static_cast<std::size_t>(n)));
      at += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(target.Bytes(), expected);
  }
}

TEST(Writer, OutputOnlyStreamRefusesReadSeekAndPlainWrite) {
  TMemoryStream target;
  TGIFStream stream(target);
  std::uint8_t b = 0;
  EXPECT_EQ(ErrorOf([&] { stream.Read(&b, 1); }), "Invalid stream operation");
  EXPECT_EQ(ErrorOf([&] { stream.Write(&b, 1); }), "Invalid stream operation");
  EXPECT_EQ(ErrorOf([&] { stream.Seek(0, TSeekOrigin::soBeginning); }), "Invalid stream operation");
  TGIFWriter writer(target);
  EXPECT_EQ(ErrorOf([&] { writer.Read(&b, 1); }), "Invalid stream operation");
  EXPECT_EQ(ErrorOf([&] { writer.Position(); }), "Invalid stream operation");
}

// --- the hash table ---------------------------------------------------------

TEST(HashTable, SlotsAndProbePath) {
  EXPECT_EQ(THashTable::Hash(0), 0);
  EXPECT_EQ(THashTable::Hash(0x12345), static_cast<int>((0x12345u ^ 0x1234u) % 8009u));
  EXPECT_EQ(THashTable::NextSlot(0), 1);
  EXPECT_EQ(THashTable::NextSlot(5000), 5000 - 3009);
  EXPECT_EQ(THashTable::NextSlot(1000), 1000 - 7009 + 8009);

  THashTable t;
  EXPECT_EQ(t.Lookup(0x100), -1);
  ASSERT_TRUE(t.Insert(0x100, 300));
  EXPECT_EQ(t.Lookup(0x100), 300);
  // A key whose first slot is taken goes one step along its path.
  std::uint32_t other = 0x100 + 1;
  while (THashTable::Hash(other) != THashTable::Hash(0x100)) ++other;
  ASSERT_TRUE(t.Insert(other, 301));
  EXPECT_EQ(t.Lookup(other), 301);
  EXPECT_EQ(t.Lookup(0x100), 300);
  t.Clear();
  EXPECT_EQ(t.Lookup(0x100), -1);
  EXPECT_EQ(t.Lookup(other), -1);
}

// A path doubles its slot modulo 8009 and so visits only 4004 of them (plus
// slot 0): filled up, it must answer "not there, no room" and not loop.
TEST(HashTable, FullPathIsReportedNotWalkedForever) {
  THashTable t;
  std::vector<char> onPath(THashTable::kSlots, 0);
  for (int s = 1, n = 0; n < THashTable::kSlots; ++n, s = THashTable::NextSlot(s)) onPath[static_cast<std::size_t>(s)] = 1;
  // Fill every slot of slot 1's path with keys hashing onto that path.
  int code = 0;
  for (std::uint32_t key = 0; key < (1u << 20) && code < 4004; ++key)
    if (onPath[static_cast<std::size_t>(THashTable::Hash(key))] && t.Insert(key, code & 0xFFF)) ++code;
  ASSERT_EQ(code, 4004);
  std::uint32_t probe = 0xFFE00;
  while (!onPath[static_cast<std::size_t>(THashTable::Hash(probe))] || t.Lookup(probe) >= 0) ++probe;
  int freeSlot = 0;
  EXPECT_EQ(t.Find(probe, freeSlot), -1);
  EXPECT_EQ(freeSlot, -1);
  EXPECT_FALSE(t.Insert(probe, 1));
}

// --- header, tables, frames --------------------------------------------------

TEST(Header, NoFramesIsAnUnsupportedVersion) {
  TGIFImage image;
  image.GlobalColorMap()->Add(0);
  TMemoryStream s;
  EXPECT_EQ(ErrorOf([&] { image.SaveToStream(s); }), "Unsupported GIF version");
}

// Frames holding only extensions and no colour table anywhere: the colour
// resolution is -1 then, and must not be shifted into the packed byte.
TEST(Header, WithoutAnyColorTableWritesZeroResolution) {
  TGIFImage image;
  auto frame = std::make_unique<TGIFSubImage>(&image);
  auto* comment = new TGIFCommentExtension(frame.get());
  comment->Text().Add("only a comment");
  frame->Extensions()->Add(comment);
  image.Add(frame.release());
  Bytes gif = Save(image, gcLZW);
  ASSERT_GE(gif.size(), 13u);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  EXPECT_EQ(gif[10], 0x00);  // no table, resolution 0, size bits 0
  TGIFImage back;
  ASSERT_TRUE(LoadInto(back, gif).Ok);
  ASSERT_EQ(back.Images()->Count(), 1);
  auto* c = dynamic_cast<TGIFCommentExtension*>((*(*back.Images())[0]->Extensions())[0]);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Text()[0], "only a comment");
}

TEST(Header, PackedBytesFromTheTables) {
  // Global table of 4 (2 bits), a local table of 32 (5 bits) in a second
  // frame: resolution is the highest, 4; the global size field stays 1.
  auto image = MakeImage(4, 2, 4, Bytes(8, 1));
  TGIFSubImage* second = AddFrame(*image, 0, 0, 4, 2, Bytes(8, 31));
  for (int i = 0; i < 32; ++i) second->ColorMap()->Add(static_cast<TColor>(i));
  image->GlobalColorMap()->SetOptimized(true);  // written as the sort flag, and 89a
  Bytes gif = Save(*image, gcLZW);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  EXPECT_EQ(gif[10], 0x80 | 0x08 | (4 << 4) | 1);
  std::size_t first = ImageDataOffset(gif, 0), next = ImageDataOffset(gif, 1);
  EXPECT_EQ(gif[first - 1], 0x00);  // first frame's descriptor: no local table
  EXPECT_EQ(gif[next - 1 - 96], 0x80 | 4);  // 32 entries
  // Without a local table the code size is the image's: the most bits of
  // any of its tables.
  EXPECT_EQ(gif[first], 5);
  EXPECT_EQ(gif[next], 5);

  image->GlobalColorMap()->SetOptimized(false);
  gif = Save(*image, gcLZW);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF87a");
  image->SetAspectRatio(49);
  gif = Save(*image, gcLZW);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
}

TEST(ColorTable, ThreeColorsAreWrittenAsFourWithSizeField1) {
  auto image = MakeImage(3, 1, 3, {0, 1, 2}, false, /*local=*/true);
  Bytes gif = Save(*image, gcLZW);
  std::size_t data = ImageDataOffset(gif);
  EXPECT_EQ(gif[data - 12 - 1], 0x80 | 1);  // descriptor packed byte
  Bytes table(gif.begin() + static_cast<std::ptrdiff_t>(data - 12), gif.begin() + static_cast<std::ptrdiff_t>(data));
  EXPECT_EQ(table, (Bytes{0, 0, 0, 127, 127, 127, 255, 255, 255, 0, 0, 0}));
  EXPECT_EQ(gif[data], 2);
  ExpectRoundTrip(*image, gcLZW);
}

TEST(Frames, ExtensionsInListOrderAndEmptyFrames) {
  auto image = MakeImage(2, 2, 2, {0, 1, 1, 0});
  TGIFSubImage* f = (*image->Images())[0];
  auto* comment = new TGIFCommentExtension(f);
  comment->Text().Add("a");
  f->Extensions()->Add(comment);
  auto* gce = new TGIFGraphicControlExtension(f);
  f->Extensions()->Add(gce);
  gce->SetDelay(7);
  gce->SetTransparentColorIndex(1);
  gce->SetTransparent(true);
  // A trailing frame of only an extension: written, without a descriptor.
  auto tail = std::make_unique<TGIFSubImage>(image.get());
  auto* loop = new TGIFAppExtNSLoop(tail.get());
  tail->Extensions()->Add(loop);
  image->Add(tail.release());

  Bytes gif = Save(*image, gcLZW);
  std::size_t at = 13 + 6;
  EXPECT_EQ(Bytes(gif.begin() + static_cast<std::ptrdiff_t>(at), gif.begin() + static_cast<std::ptrdiff_t>(at + 6)),
            (Bytes{0x21, 0xFE, 1, 'a', 0, 0x21}));
  EXPECT_EQ(Bytes(gif.begin() + static_cast<std::ptrdiff_t>(at + 5), gif.begin() + static_cast<std::ptrdiff_t>(at + 13)),
            (Bytes{0x21, 0xF9, 4, 0x01, 7, 0, 1, 0}));
  EXPECT_EQ(gif[at + 13], 0x2C);
  EXPECT_EQ(gif.back(), 0x3B);

  TGIFImage back;
  ASSERT_TRUE(LoadInto(back, gif).Ok);
  ASSERT_EQ(back.Images()->Count(), 2);
  TGIFSubImage* b = (*back.Images())[0];
  ASSERT_EQ(b->Extensions()->Count(), 2);
  EXPECT_NE(dynamic_cast<TGIFCommentExtension*>((*b->Extensions())[0]), nullptr);
  ASSERT_NE(b->GraphicControlExtension(), nullptr);
  EXPECT_EQ(b->GraphicControlExtension()->GetDelay(), 7);
  EXPECT_TRUE(b->Transparent());
  EXPECT_TRUE((*back.Images())[1]->GetEmpty());
  EXPECT_NE(dynamic_cast<TGIFAppExtNSLoop*>((*(*back.Images())[1]->Extensions())[0]), nullptr);
}

// --- extensions ---------------------------------------------------------------

TEST(Extensions, LongCommentLineIsCutInto255And45) {
  auto image = MakeImage(1, 1, 2, {0});
  TGIFSubImage* f = (*image->Images())[0];
  auto* comment = new TGIFCommentExtension(f);
  std::string line(255, 'a');
  line += std::string(45, 'b');
  comment->Text().Add(line);
  comment->Text().Add("");  // an empty line writes nothing
  f->Extensions()->Add(comment);
  Bytes gif = Save(*image, gcLZW);
  const std::size_t at = 13 + 6;
  ASSERT_EQ(gif[at], 0x21);
  ASSERT_EQ(gif[at + 1], 0xFE);
  EXPECT_EQ(gif[at + 2], 255);
  EXPECT_EQ(gif[at + 2 + 256], 45);
  EXPECT_EQ(gif[at + 2 + 256 + 46], 0);
  TGIFImage back;
  ASSERT_TRUE(LoadInto(back, gif).Ok);
  auto* c = dynamic_cast<TGIFCommentExtension*>((*(*back.Images())[0]->Extensions())[0]);
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->Text().Count(), 2);
  EXPECT_EQ(c->Text()[0], std::string(255, 'a'));
  EXPECT_EQ(c->Text()[1], std::string(45, 'b'));
}

TEST(Extensions, StoredBytes) {
  struct Case {
    const char* name;
    std::function<TGIFExtension*(TGIFSubImage*)> make;
    Bytes expected;
  } cases[] = {
      {"loop, no buffer size",
       [](TGIFSubImage* f) {
         auto* e = new TGIFAppExtNSLoop(f);
         e->SetLoopCount(0x0203);
         return e;
       },
       {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0x03, 0x02, 0}},
      {"loop with buffer size",
       [](TGIFSubImage* f) {
         auto* e = new TGIFAppExtNSLoop(f);
         e->SetBufferSize(0x01020304);
         return e;
       },
       {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 5, 2, 4, 3, 2, 1, 0}},
      {"plain text",
       [](TGIFSubImage* f) {
         auto* e = new TGIFTextExtension(f);
         e->SetBounds(1, 0x0102);
         e->SetBounds(4, 9);
         e->SetCharWidthHeight(1, 8);
         e->SetColorIndex(2, 1);
         e->Text().Add("hi");
         return e;
       },
       {0x21, 0x01, 12, 0x02, 0x01, 0, 0, 0, 0, 9, 0, 8, 0, 0, 1, 2, 'h', 'i', 0}},
      {"graphic control",
       [](TGIFSubImage* f) {
         auto* e = new TGIFGraphicControlExtension(f);
         e->SetDisposal(2);
         e->SetUserInput(true);
         e->SetDelay(0x0304);
         return e;
       },
       {0x21, 0xF9, 4, 0x0A, 0x04, 0x03, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGIFImage image;
    TGIFSubImage frame(&image);
    std::unique_ptr<TGIFExtension> e(c.make(&frame));
    TMemoryStream s;
    e->SaveToStream(s);
    EXPECT_EQ(s.Bytes(), c.expected);
  }
}

// --- code streams ---------------------------------------------------------------

TEST(LZW, OneBitImageUsesCodeSize2) {
  auto image = MakeImage(4, 1, 2, {0, 1, 1, 0});
  Bytes gif = Save(*image, gcLZW);
  TCodeStream s = ReadCodes(gif, ImageDataOffset(gif));
  EXPECT_EQ(s.CodeSize, 2);
  EXPECT_EQ(s.Codes, (std::vector<int>{4, 0, 1, 1, 0, 5}));  // clear 4, end 5
  ExpectRoundTrip(*image, gcLZW);
}

// Two-pixel strings that are all different (a de Bruijn sequence over 64
// colours) add one table entry per code: the table fills, a clear follows
// the code that took the first free code past 4094, and the width stays at
// 12 bits.
TEST(LZW, FullTableIsClearedAndCodesStayWithin12Bits) {
  const int k = 64, n = 2;
  Bytes seq;
  std::vector<int> a(static_cast<std::size_t>(k * n), 0);
  std::function<void(int, int)> db = [&](int t, int p) {
    if (t > n) {
      if (n % p == 0)
        for (int j = 1; j <= p; ++j) seq.push_back(static_cast<std::uint8_t>(a[static_cast<std::size_t>(j)]));
      return;
    }
    a[static_cast<std::size_t>(t)] = a[static_cast<std::size_t>(t - p)];
    db(t + 1, p);
    for (int j = a[static_cast<std::size_t>(t - p)] + 1; j < k; ++j) {
      a[static_cast<std::size_t>(t)] = j;
      db(t + 1, t);
    }
  };
  db(1, 1);
  seq.push_back(seq.front());  // the cyclic sequence made linear
  ASSERT_EQ(seq.size(), 4097u);
  auto image = MakeImage(static_cast<int>(seq.size()), 1, 64, seq);
  Bytes gif = Save(*image, gcLZW);
  TCodeStream s = ReadCodes(gif, ImageDataOffset(gif));
  ASSERT_EQ(s.CodeSize, 6);
  std::vector<std::size_t> clears;
  for (std::size_t i = 0; i < s.Codes.size(); ++i)
    if (s.Codes[i] == 64) clears.push_back(i);
  ASSERT_EQ(clears.size(), 2u);
  EXPECT_EQ(clears[1] - clears[0] - 1, 4095u - 66u + 1u);
  EXPECT_EQ(s.Widths[clears[1]], 12);
  EXPECT_EQ(s.Widths[clears[1] + 1], 7);
  for (int w : s.Widths) EXPECT_LE(w, 12);
  EXPECT_EQ(s.Codes.back(), 65);
  ExpectRoundTrip(*image, gcLZW);
}

TEST(RLE, OneColorUsesRunsOfGrowingLength) {
  auto image = MakeImage(100, 100, 256, Bytes(10000, 7));
  Bytes gif = Save(*image, gcRLE);
  TCodeStream s = ReadCodes(gif, ImageDataOffset(gif));
  // clear, the pixel, then the codes for runs of 2, 3, ... 140 (1 + ... + 140
  // = 9870 pixels), one code for the last 130, the end code.
  std::vector<int> expected = {256, 7};
  for (int len = 2; len <= 140; ++len) expected.push_back(256 + len);
  expected.push_back(256 + 130);
  expected.push_back(257);
  EXPECT_EQ(s.Codes, expected);
  ExpectRoundTrip(*image, gcRLE);
}

TEST(RLE, IntegerSquareRootAndCost) {
  for (std::uint64_t n : {0ull, 1ull, 2ull, 3ull, 4ull, 15ull, 16ull, 17ull, 99ull, 100ull, 1ull << 40,
                          (1ull << 40) - 1, 999999999999999999ull}) {
    std::uint64_t r = TRLEEncoder::ISqrt(n);
    EXPECT_LE(r * r, n) << n;
    EXPECT_GT((r + 1) * (r + 1), n) << n;
  }
  // Runs of 1 + 2 + ... + k pixels take k codes from a clear.
  EXPECT_EQ(TRLEEncoder::Cost(1, 100), 1);
  EXPECT_EQ(TRLEEncoder::Cost(3, 100), 2);
  EXPECT_EQ(TRLEEncoder::Cost(4, 100), 3);
  EXPECT_EQ(TRLEEncoder::Cost(10, 100), 4);
  EXPECT_EQ(TRLEEncoder::Cost(11, 100), 5);
  // 5050 pixels fill one clear's 100 codes.
  EXPECT_EQ(TRLEEncoder::Cost(5050, 100), 100);
  EXPECT_EQ(TRLEEncoder::Cost(5051, 100), 101);
  EXPECT_EQ(TRLEEncoder::Cost(2 * 5050 + 3, 100), 202);
}

// Frames whose pixels are decoded back unchanged, across code sizes, run
// structures, interlacing and both encoders; long single-colour runs at
// small code sizes make the run encoder clear and widen its codes inside a
// run.
TEST(Encoders, RoundTripTable) {
  for (const TFrameCase& c : FrameCases()) {
    Bytes px = CasePixels(c);
    for (bool interlaced : {false, true})
      for (TGIFCompression comp : {gcLZW, gcRLE}) {
        SCOPED_TRACE(std::string(c.Name) + (interlaced ? " interlaced" : "") + (comp == gcRLE ? " RLE" : " LZW"));
        auto image = MakeImage(c.W, c.H, c.Colors, px, interlaced);
        ExpectRoundTrip(*image, comp);
      }
  }
}

TEST(Encoders, InterlacedSmallHeightsAreWrittenWhole) {
  for (int h = 1; h <= 5; ++h)
    for (TGIFCompression comp : {gcLZW, gcRLE}) {
      SCOPED_TRACE("height " + std::to_string(h) + (comp == gcRLE ? " RLE" : " LZW"));
      Bytes px;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3; ++x) px.push_back(static_cast<std::uint8_t>(y * 3 + x));
      auto image = MakeImage(3, h, 16, px, true);
      ExpectRoundTrip(*image, comp);
      Bytes gif = Save(*image, comp);
      TCodeStream s = ReadCodes(gif, ImageDataOffset(gif));
      EXPECT_EQ(s.Codes.back(), 17);  // the end code after every row
    }
}

TEST(Encoders, PixelNotInTheColorTable) {
  struct Case {
    const char* name;
    int colors;
    bool local;
    std::uint8_t bad;
  } cases[] = {
      {"local table of 3, pixel 3", 3, true, 3},
      {"global table of 4, pixel 4", 4, false, 4},
      {"global table of 2, pixel 255", 2, false, 255},
  };
  for (const Case& c : cases)
    for (TGIFCompression comp : {gcLZW, gcRLE}) {
      SCOPED_TRACE(std::string(c.name) + (comp == gcRLE ? " RLE" : " LZW"));
      Bytes px(40, 1);
      px[33] = c.bad;
      auto image = MakeImage(8, 5, c.colors, px, false, c.local);
      EXPECT_EQ(ErrorOf([&] { Save(*image, comp); }), "Color not in color table");
      px[33] = 0;
      px[0] = c.bad;  // the very first pixel too
      image = MakeImage(8, 5, c.colors, px, false, c.local);
      EXPECT_EQ(ErrorOf([&] { Save(*image, comp); }), "Color not in color table");
    }
}

// --- saving and storing --------------------------------------------------------

TEST(Saving, ProgressReportsSavingPerFrame) {
  auto image = MakeImage(2, 2, 2, {0, 1, 1, 0});
  AddFrame(*image, 0, 0, 2, 2, {1, 1, 1, 1});
  std::vector<std::pair<TProgressStage, int>> seen;
  image->OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t pct, bool, const TRect&,
                          const std::string& msg) {
    EXPECT_EQ(msg, "Saving...");
    seen.push_back({stage, pct});
  };
  Save(*image, gcLZW);
  EXPECT_EQ(seen, (std::vector<std::pair<TProgressStage, int>>{
                      {psStarting, 0}, {psRunning, 50}, {psRunning, 100}, {psEnding, 100}}));
  seen.clear();
  (*(*image->Images())[1]).Data()[0] = 9;
  EXPECT_EQ(ErrorOf([&] { Save(*image, gcLZW); }), "Color not in color table");
  EXPECT_EQ(seen.back(), (std::pair<TProgressStage, int>{psEnding, 0}));
}

TEST(Saving, FormDataClipboardAndFile) {
  GIFImageInitialize();
  auto image = MakeImage(5, 3, 4, Pattern(15, 4, 9));
  TMemoryStream plain;
  image->SaveToStream(plain);

  // The picture property: the class name, then the GIF stream itself.
  TPicture picture;
  picture.SetGraphic(image.get());
  TMemoryStream stored;
  picture.WriteData(stored);
  Bytes expected = {9, 'T', 'G', 'I', 'F', 'I', 'm', 'a', 'g', 'e'};
  expected.insert(expected.end(), plain.Bytes().begin(), plain.Bytes().end());
  EXPECT_EQ(stored.Bytes(), expected);
  stored.SetPosition(0);
  TPicture again;
  again.ReadData(stored);
  auto* gif = dynamic_cast<TGIFImage*>(again.Graphic());
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(PixelsOf(*(*gif->Images())[0]), PixelsOf(*(*image->Images())[0]));

  // The clipboard holds the same stream under "GIF Image".
  TClipboardFormat format = 0;
  THandle data = 0;
  TPaletteHandle palette;
  ASSERT_TRUE(ClipboardOpen());
  ClipboardEmpty();
  image->SaveToClipboardFormat(format, data, palette);
  ClipboardClose();
  ASSERT_TRUE(ClipboardOpen());
  THandle onClipboard = ClipboardGetData(CF_GIF);
  Bytes clip = onClipboard ? GlobalBlockBytes(onClipboard) : Bytes();
  ClipboardClose();
  EXPECT_EQ(clip, plain.Bytes());

  // Files, through the item and through the graphic.
  testsupport::TempDir dir("gifwriter");
  const std::string a = (dir / "item.gif").string(), b = (dir / "graphic.gif").string();
  image->SaveToFile(b);
  image->Header()->SaveToFile(a);  // an item writes only itself
  EXPECT_EQ(testsupport::ReadFile(b), plain.Bytes());
  EXPECT_EQ(testsupport::ReadFile(a), Bytes(plain.Bytes().begin(), plain.Bytes().begin() + 13 + 12));
}

// A target that takes `room` bytes and then fails every write.
class TFullStream : public TMemoryStream {
public:
  explicit TFullStream(std::size_t room) : FRoom(room) {}
  std::size_t Write(const void* buffer, std::size_t count) override {
    if (static_cast<std::size_t>(Size()) + count > FRoom) return 0;
    return TMemoryStream::Write(buffer, count);
  }

private:
  std::size_t FRoom;
};

// Write errors surface from the header, the tables, the middle of the image
// data and its last block alike (the sub-block packer must not swallow them,
// nor raise a second error while the first unwinds).
TEST(Saving, TargetWriteErrorsPropagate) {
  auto image = MakeImage(64, 64, 256, Pattern(64 * 64, 256, 5));
  TMemoryStream whole;
  image->SaveToStream(whole);
  for (std::size_t room : {std::size_t(0), std::size_t(20), std::size_t(800), std::size_t(2000),
                           static_cast<std::size_t>(whole.Size()) - 3, static_cast<std::size_t>(whole.Size()) - 1}) {
    SCOPED_TRACE(room);
    TFullStream target(room);
    EXPECT_THROW(image->SaveToStream(target), Exception);
  }
  TFullStream enough(static_cast<std::size_t>(whole.Size()));
  image->SaveToStream(enough);
  EXPECT_EQ(enough.Bytes(), whole.Bytes());
}

TEST(Saving, OptimizeOnStreamIsRefusedUntilItExists) {
  auto image = MakeImage(2, 2, 2, {0, 1, 1, 0});
  TMemoryStream direct;
  image->WriteData(direct);
  TMemoryStream plain;
  image->SaveToStream(plain);
  EXPECT_EQ(direct.Bytes(), plain.Bytes());

  GIFImageOptimizeOnStream = true;
  TMemoryStream refused;
  std::string error = ErrorOf([&] { image->WriteData(refused); });
  GIFImageOptimizeOnStream = false;
  EXPECT_NE(error.find("GIFImageOptimizeOnStream"), std::string::npos) << error;
  EXPECT_EQ(refused.Size(), 0);
}

}  // namespace
