// The LZW decoder on code streams built here, code by code.
#include "Fixtures.h"

#include <gtest/gtest.h>

namespace {

using namespace GIFImageMessages;

// Packs codes into data sub-blocks, growing the code width the way the
// decoder does: after each table entry is added, one bit more once the next
// free code reaches 2^width (up to 12 bits).
class CodeWriter {
public:
  explicit CodeWriter(int minSize) : min_(minSize) { Clear(); }
  void Clear() {
    Put(1 << min_);
    width_ = min_ + 1;
    nextFree_ = (1 << min_) + 2;
    first_ = true;
  }
  // A data code; every code but the first after a clear adds an entry.
  void Data(int code) {
    Put(code);
    if (first_) {
      first_ = false;
      return;
    }
    if (nextFree_ < 4096) {
      ++nextFree_;
      if (nextFree_ >= (1 << width_) && width_ < 12) ++width_;
    }
  }
  int NextFree() const { return nextFree_; }
  Bytes Finish(bool endCode = true) {
    if (endCode) Put((1 << min_) + 1);
    if (bits_) bytes_.push_back(static_cast<std::uint8_t>(acc_));
    return Cat({{static_cast<std::uint8_t>(min_)}, SubBlocks(bytes_)});
  }

private:
  void Put(int code) {
    acc_ |= static_cast<std::uint32_t>(code) << bits_;
    bits_ += width_ ? width_ : min_ + 1;
    while (bits_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(acc_));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  int min_, width_ = 0, nextFree_ = 0, bits_ = 0;
  bool first_ = true;
  std::uint32_t acc_ = 0;
  Bytes bytes_;
};

Bytes OneFrameGIF(int w, int h, const Bytes& data, std::uint8_t packed = 0) {
  return Cat({{'G', 'I', 'F', '8', '9', 'a', std::uint8_t(w), std::uint8_t(w >> 8), std::uint8_t(h),
               std::uint8_t(h >> 8), 0, 0, 0},
              Descriptor(0, 0, w, h, packed), data, kTrailer});
}

// Once the table is full the decoder adds nothing and reads 12-bit codes
// until a clear code; literals keep coming through.
TEST(Decoder, TableFullWithoutClearKeepsDecodingAt12Bits) {
  CodeWriter cw(8);
  Bytes want;
  for (int i = 0; i < 6000; ++i) {
    int v = (i * 7 + i / 13) & 0xFF;
    cw.Data(v);
    want.push_back(static_cast<std::uint8_t>(v));
  }
  ASSERT_EQ(cw.NextFree(), 4096);
  TGIFImage image;
  TLoadResult r = LoadInto(image, OneFrameGIF(100, 60, cw.Finish()));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_TRUE(r.Warnings.empty());
  TGIFSubImage* f = (*image.Images())[0];
  EXPECT_EQ(Bytes(f->Data(), f->Data() + f->DataSize()), want);
}

// Codes that each name the entry being made ("KwKwK") build strings up to
// 3839 bytes long: the longest chain the 4096-byte stack must hold.
TEST(Decoder, LongestChainsFitTheStack) {
  CodeWriter cw(2);
  cw.Data(1);
  std::size_t total = 1;
  while (cw.NextFree() < 4096) {
    std::size_t len = static_cast<std::size_t>(cw.NextFree() - 6 + 2);
    cw.Data(cw.NextFree());
    total += len;
  }
  for (int i = 0; i < 3; ++i) {
    cw.Data(4095);
    total += 4095 - 6 + 2;
  }
  const int w = 4096, h = static_cast<int>(total / w + 1);
  TGIFImage image;
  TLoadResult r = LoadInto(image, OneFrameGIF(w, h, cw.Finish()));
  ASSERT_TRUE(r.Ok) << r.Error;
  TGIFSubImage* f = (*image.Images())[0];
  std::size_t ones = 0;
  while (ones < f->DataSize() && f->Data()[ones] == 1) ++ones;
  EXPECT_EQ(ones, total);
  for (std::size_t i = total; i < f->DataSize(); ++i) ASSERT_EQ(f->Data()[i], 0) << i;
}

// A code stream of clear codes only, and clear codes between strings.
TEST(Decoder, RepeatedClearCodes) {
  CodeWriter cw(2);
  cw.Clear();
  cw.Data(1);
  cw.Data(2);
  cw.Clear();
  cw.Clear();
  cw.Data(3);
  cw.Data(6);  // "3 3"
  TGIFImage image;
  ASSERT_TRUE(LoadInto(image, OneFrameGIF(5, 1, cw.Finish())).Ok);
  TGIFSubImage* f = (*image.Images())[0];
  EXPECT_EQ(Bytes(f->Data(), f->Data() + 5), (Bytes{1, 2, 3, 3, 3}));
}

// A minimum code size past 11 cannot fit the 12-bit table: the frame keeps
// its fill, its data is passed over and the next frame reads normally.
TEST(Decoder, MinimumCodeSizeTooLarge) {
  TGIFImage image;
  TLoadResult r = LoadInto(image, Cat({kHeader, Descriptor(0, 0, 2, 2), {12, 2, 0xFF, 0xFF, 0}, kFrame, kTrailer}));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Warnings, (std::vector<TWarn>{{gsWarning, _sInvalidData}}));
  ASSERT_EQ(image.Images()->Count(), 2);
  EXPECT_EQ(Bytes((*image.Images())[0]->Data(), (*image.Images())[0]->Data() + 4), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(Bytes((*image.Images())[1]->Data(), (*image.Images())[1]->Data() + 4), (Bytes{0, 1, 1, 0}));
}

// Interlaced frames of every small height give the rows in display order.
TEST(Decoder, InterlacedHeights) {
  static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int h = 1; h <= 17; ++h) {
    SCOPED_TRACE(h);
    CodeWriter cw(8);
    std::vector<int> order;
    for (int p = 0; p < 4; ++p)
      for (int y = start[p]; y < h; y += step[p]) order.push_back(y);
    for (int y : order) {
      cw.Data(y);
      cw.Data(y + 100);
    }
    TGIFImage image;
    ASSERT_TRUE(LoadInto(image, OneFrameGIF(2, h, cw.Finish(), 0x40)).Ok);
    TGIFSubImage* f = (*image.Images())[0];
    for (int y = 0; y < h; ++y) {
      EXPECT_EQ(f->GetPixel(0, y), y);
      EXPECT_EQ(f->GetPixel(1, y), y + 100);
    }
  }
}

TEST(Decoder, FramePixelBound) {
  TGIFImage image;
  // 16384 x 16384 is 2^28 pixels, past the bound of 2^27.
  TLoadResult r = LoadInto(image, Cat({kHeader, Descriptor(0, 0, 16384, 16384), kPixels0110, kTrailer}));
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Error, _sOutOfMemDIB);
  EXPECT_TRUE(image.GetEmpty());
}

// The frames of one image together stay under 2^30 pixels. (Zero-filled
// buffers that nothing writes to are not committed, so this stays cheap.)
TEST(Decoder, ImagePixelBound) {
  TGIFImage image;
  for (int i = 0; i < 8; ++i) image.Add(new TGIFSubImage(&image));
  for (int i = 0; i < 8; ++i) (*image.Images())[i]->DoSetBounds(0, 0, 11585, 11585);
  auto* ninth = new TGIFSubImage(&image);
  image.Add(ninth);
  try {
    ninth->DoSetBounds(0, 0, 11585, 11585);
    ADD_FAILURE() << "ninth frame allocated";
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message, _sOutOfMemDIB);
  }
}

// `count` pixels of index 0 coded as tightly as LZW allows: every code is
// the newest table entry, one pixel longer than the one before, and the
// longest entry (4095) once the table is full.
Bytes BlankFrameData(std::size_t count) {
  CodeWriter w(2);
  w.Data(0);
  std::size_t left = count - 1;
  while (left > 0) {
    const int next = w.NextFree();
    const std::size_t longest = next < 4096 ? static_cast<std::size_t>(next - 4) : 4091;  // entry e holds e-4 pixels
    if (left >= longest) {
      w.Data(next < 4096 ? next : 4095);
      left -= longest;
    } else {
      w.Data(left == 1 ? 0 : static_cast<int>(left) + 4);
      left = 0;
    }
  }
  return w.Finish();
}

// A few bytes may not make the reader take more memory than they can decode
// to: 8 transparent frames of 11585 x 11585 with one data byte each would
// otherwise fill 1 GB with the transparent index.
TEST(Decoder, StreamBytesBoundThePixels) {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0x41, 0x2D, 0x41, 0x2D, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  const Bytes gce = {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x01, 0x00};  // transparent index 1
  for (int i = 0; i < 8; ++i) gif = Cat({gif, gce, Descriptor(0, 0, 11585, 11585), {0x02, 0x01, 0x44, 0x00}});
  gif = Cat({gif, kTrailer});
  ASSERT_LE(gif.size(), 300u);
  TGIFImage image;
  TLoadResult r = LoadInto(image, gif);
  EXPECT_EQ(r.Error, _sOutOfMemDIB);
  EXPECT_TRUE(image.GetEmpty());

  // The tightest coding of a frame past the fixed allowance still fits what
  // its bytes allow, and decodes in full.
  const int side = 6000;
  Bytes blank = OneFrameGIF(side, side, BlankFrameData(std::size_t(side) * side));
  ASSERT_GT(std::size_t(side) * side, GIFLoadPixelAllowance);
  r = LoadInto(image, blank);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_TRUE(r.Warnings.empty());
  TGIFSubImage* f = (*image.Images())[0];
  ASSERT_EQ(f->DataSize(), std::size_t(side) * side);
  EXPECT_EQ(std::count(f->Data(), f->Data() + f->DataSize(), 0), side * side);

  // Once loaded, frames may grow past what the stream held.
  f->DoSetBounds(0, 0, 6001, 6000);
  EXPECT_EQ(f->DataSize(), std::size_t(6001) * 6000);
}

}  // namespace
