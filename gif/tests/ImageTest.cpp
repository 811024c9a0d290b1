// The picture as the toolkit sees it: copying, the clipboard format "GIF
// Image", the picture registry and the stored form of a picture property.
#include "Fixtures.h"

#include <gtest/gtest.h>

#include "toolkit/base/Canvas.h"

#include "testsupport.h"

#include <cstdio>
#include <filesystem>

namespace {

using namespace GIFImageMessages;

const Bytes kAnimation = Cat({kHeader, kLoop, kGCE, kFrame, kComment, kFrame, kTrailer});

TEST(Assign, CopiesHeaderFramesAndExtensions) {
  TGIFImage source;
  ASSERT_TRUE(LoadInto(source, kAnimation).Ok);
  source.SetDitherMode(dmBurkes);
  source.SetPaintBackgroundColor(clBtnFace);
  std::vector<std::string> progress;
  source.OnProgress = [&](TObject*, TProgressStage, std::uint8_t p, bool, const TRect&, const std::string& m) {
    progress.push_back(m + std::to_string(p));
  };
  TGIFImage copy;
  bool ownHandlerCalled = false;
  copy.OnProgress = [&](TObject*, TProgressStage, std::uint8_t, bool, const TRect&, const std::string&) {
    ownHandlerCalled = true;
  };
  copy.Assign(&source);
  // The source's handler hears the copy; the copy's own comes back after.
  EXPECT_EQ(progress, (std::vector<std::string>{"Copying...0", "Copying...50", "Copying...100", "Copying...100"}));
  EXPECT_FALSE(ownHandlerCalled);
  ASSERT_TRUE(copy.OnProgress);

  EXPECT_EQ(copy.GetWidth(), 2);
  EXPECT_EQ(copy.GlobalColorMap()->Count(), 2);
  EXPECT_EQ(copy.DitherMode(), dmBurkes);
  EXPECT_EQ(copy.PaintBackgroundColor(), clBtnFace);
  ASSERT_EQ(copy.Images()->Count(), 2);
  TGIFSubImage* f0 = (*copy.Images())[0];
  EXPECT_EQ(f0->Image(), &copy);
  ASSERT_EQ(f0->Extensions()->Count(), 2);
  EXPECT_NE(dynamic_cast<TGIFAppExtNSLoop*>((*f0->Extensions())[0]), nullptr);
  ASSERT_NE(f0->GraphicControlExtension(), nullptr);
  EXPECT_EQ(f0->GraphicControlExtension()->GetDelay(), 7);
  EXPECT_TRUE(f0->Transparent());
  EXPECT_EQ(Bytes(f0->Data(), f0->Data() + 4), (Bytes{0, 1, 1, 0}));
  EXPECT_NE(f0->Data(), (*source.Images())[0]->Data());
  auto comment = dynamic_cast<TGIFCommentExtension*>((*(*copy.Images())[1]->Extensions())[0]);
  ASSERT_NE(comment, nullptr);
  EXPECT_EQ(comment->Text()[0], "hi");

  TGIFImage empty;
  copy.Assign(&empty);
  EXPECT_TRUE(copy.GetEmpty());
}

TEST(Add, FramesAndUnsupportedObjects) {
  TGIFImage image;
  auto* f = new TGIFSubImage(&image);
  EXPECT_EQ(image.Add(f), 0);
  EXPECT_EQ(image.Images()->Count(), 1);
  TStringList notAPicture;
  try {
    image.Add(&notAPicture);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(e.Message, _sUnsupportedClass);
  }
  delete f;
  EXPECT_EQ(image.Images()->Count(), 0) << "a destroyed frame leaves its image";
}

// A frame made for another image moves over with its extensions: it leaves
// the other image, uses this image's table and warnings, and outlives the
// other image safely.
TEST(Add, MovesAFrameFromAnotherImage) {
  auto other = std::make_unique<TGIFImage>();
  ASSERT_TRUE(LoadInto(*other, kAnimation).Ok);
  TGIFSubImage* f = (*other->Images())[0];
  TGIFImage image;
  image.GlobalColorMap()->Add(RGBColor(1, 2, 3));
  std::vector<TObject*> heard;
  image.OnWarning = [&](TObject* sender, TGIFSeverity, const std::string&) { heard.push_back(sender); };
  other->OnWarning = [&](TObject*, TGIFSeverity, const std::string&) { ADD_FAILURE() << "warned through the old image"; };

  EXPECT_EQ(image.Add(f), 0);
  EXPECT_EQ(image.Add(f), 0) << "a frame already in the list keeps its place";
  EXPECT_EQ(image.Images()->Count(), 1);
  EXPECT_EQ(other->Images()->Count(), 1);
  EXPECT_EQ(f->Image(), &image);
  for (int i = 0; i < f->Extensions()->Count(); ++i) EXPECT_EQ((*f->Extensions())[i]->Image(), &image);
  EXPECT_EQ(f->Extensions()->Image(), &image);
  EXPECT_EQ(f->GetActiveColorMap(), image.GlobalColorMap());
  f->GraphicControlExtension()->SetTransparentColorIndex(9);  // past the table: a warning
  EXPECT_EQ(heard.size(), 1u);

  other.reset();
  EXPECT_EQ(Bytes(f->Data(), f->Data() + 4), (Bytes{0, 1, 1, 0}));
  image.Clear();
  EXPECT_TRUE(image.GetEmpty());
}

TEST(Registration, PictureAndClipboardFormats) {
  GIFImageInitialize();
  EXPECT_EQ(TPicture::FindByExtension("GIF"), TGIFImage::ClassInfo());
  EXPECT_EQ(TPicture::FindByName("TGIFImage"), TGIFImage::ClassInfo());
  EXPECT_NE(TPicture::GraphicFilter().find("GIF Image (*.gif)|*.gif"), std::string::npos);
  ASSERT_NE(CF_GIF, 0);
  EXPECT_EQ(CF_GIF, RegisterClipboardFormatName("GIF Image"));
  EXPECT_EQ(TPicture::FindByClipboardFormat(CF_GIF), TGIFImage::ClassInfo());
}

TEST(Clipboard, LoadsTheGIFImageFormat) {
  GIFImageInitialize();
  Bytes gif = Cat({kHeader, kFrame, kTrailer});
  ASSERT_TRUE(ClipboardOpen()) << "clipboard not available";
  ClipboardEmpty();
  THandle block = GlobalBlockAlloc(gif.data(), gif.size());
  ASSERT_NE(block, 0u);
  bool placed = ClipboardSetData(CF_GIF, block);
  ClipboardClose();
  if (!placed) GlobalBlockFree(block);
  ASSERT_TRUE(placed);

  TGIFImage image;
  image.LoadFromClipboardFormat(CF_GIF, 0, {});
  ASSERT_EQ(image.Images()->Count(), 1);
  EXPECT_EQ(Bytes((*image.Images())[0]->Data(), (*image.Images())[0]->Data() + 4), (Bytes{0, 1, 1, 0}));

  // Data handed in directly.
  THandle direct = GlobalBlockAlloc(gif.data(), gif.size());
  TGIFImage again;
  again.LoadFromClipboardFormat(CF_GIF, direct, {});
  GlobalBlockFree(direct);
  EXPECT_EQ(again.Images()->Count(), 1);

  try {
    again.LoadFromClipboardFormat(static_cast<TClipboardFormat>(CF_GIF + 1), 0, {});
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message, "Unsupported clipboard format");
  }
}

// Saving places the GIF on the clipboard and hands back only what the caller
// owns, as a bitmap does: a caller that frees the returned block must not
// take the clipboard's GIF with it.
TEST(Clipboard, SavingFollowsTheBitmapsOwnershipRule) {
  GIFImageInitialize();
  TGIFImage image;  // extensions only: saving it needs no encoder
  ASSERT_TRUE(LoadInto(image, Cat({kHeader, kComment, kTrailer})).Ok);
  ASSERT_TRUE(ClipboardOpen());
  ClipboardEmpty();
  TClipboardFormat format = 0;
  THandle data = 0;
  TPaletteHandle palette;
  image.SaveToClipboardFormat(format, data, palette);
  THandle placed = ClipboardGetData(CF_GIF);
  ClipboardClose();
  ASSERT_NE(placed, 0u);
  EXPECT_NE(data, placed);
  EXPECT_NE(format, CF_GIF);
  if (data) GlobalBlockFree(data);
  TGIFImage pasted;
  pasted.LoadFromClipboardFormat(CF_GIF, 0, {});
  EXPECT_EQ(pasted.Images()->Count(), 1);

  // The bitmap's data is the caller's too, and is what the platform expects
  // under the bitmap format (a bitmap handle on Windows): it reads back with
  // the same pixels, directly and through the clipboard. (A GIF made from a
  // pasted bitmap waits for frame conversion.)
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(3, 2);
  bitmap.Canvas().SetPixel(2, 1, RGBColor(10, 200, 30));
  format = 0;
  data = 0;
  bitmap.SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, CF_BITMAP_FORMAT);
  ASSERT_NE(data, 0u);
  TBitmap direct;
  direct.LoadFromClipboardFormat(format, data, {});
  EXPECT_EQ(direct.GetWidth(), 3);
  EXPECT_EQ(direct.Canvas().GetPixel(2, 1), RGBColor(10, 200, 30));
  ASSERT_TRUE(ClipboardOpen());
  ClipboardEmpty();
  ASSERT_TRUE(ClipboardSetData(format, data));  // the clipboard owns it now
  ClipboardClose();
  TBitmap pasted24;
  pasted24.LoadFromClipboardFormat(CF_BITMAP_FORMAT, 0, {});
  EXPECT_EQ(pasted24.GetHeight(), 2);
  EXPECT_EQ(pasted24.Canvas().GetPixel(2, 1), RGBColor(10, 200, 30));

  TGIFImage empty;
  format = 0;
  data = 0;
  empty.SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(data, 0u);
}

// A picture property stores "\tTGIFImage" and then the GIF stream itself.
TEST(FormData, PictureDataHoldsClassNameThenStream) {
  GIFImageInitialize();
  Bytes stored = Cat({{9, 'T', 'G', 'I', 'F', 'I', 'm', 'a', 'g', 'e'}, kAnimation});
  TMemoryStream s(stored.data(), stored.size());
  TPicture picture;
  picture.ReadData(s);
  auto* gif = dynamic_cast<TGIFImage*>(picture.Graphic());
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->Images()->Count(), 2);
  EXPECT_EQ(picture.Width(), 2);
  EXPECT_EQ(s.Position(), static_cast<std::int64_t>(stored.size()));

  Bytes unknown = {5, 'T', 'F', 'o', 'o', 'X', 1, 2, 3};
  TMemoryStream u(unknown.data(), unknown.size());
  EXPECT_THROW(picture.ReadData(u), EInvalidGraphic);

  Bytes broken = Cat({{9, 'T', 'G', 'I', 'F', 'I', 'm', 'a', 'g', 'e'}, {'G', 'I', 'F'}});
  TMemoryStream b(broken.data(), broken.size());
  EXPECT_THROW(picture.ReadData(b), GIFException);
}

TEST(Files, LoadFromFileByExtension) {
  GIFImageInitialize();
  Bytes gif = Cat({kHeader, kFrame, kTrailer});
  testsupport::TempDir dir("gif-image");
  std::string path = (dir / "image-test.gif").string();
  {
    TMemoryStream m(gif.data(), gif.size());
    m.SaveToFile(path);
  }
  TPicture picture;
  picture.LoadFromFile(path);
  ASSERT_NE(dynamic_cast<TGIFImage*>(picture.Graphic()), nullptr);
  TGIFImage image;
  image.LoadFromFile(path);
  EXPECT_EQ(image.Images()->Count(), 1);
  std::remove(path.c_str());
  EXPECT_THROW(image.LoadFromFile(path), EFOpenError);
  EXPECT_THROW(picture.LoadFromFile("picture.xyz"), EInvalidGraphic);
}

}  // namespace
