// The GIF class reaches the picture and clipboard registries only through
// the explicit start-up call, so a program that reads nothing but form
// descriptions registers it the same way as any other: no static object in
// the library, which the linker may leave out.
#include "Fixtures.h"

#include <gtest/gtest.h>

namespace {

const Bytes kStored = Cat({{9, 'T', 'G', 'I', 'F', 'I', 'm', 'a', 'g', 'e'}, kHeader, kFrame, kTrailer});

TGraphic* ReadPictureData(TPicture& picture) {
  TReadOnlyMemoryStream s(kStored.data(), kStored.size());
  picture.ReadData(s);
  return picture.Graphic();
}

TEST(Registration, OnlyTheStartUpCallRegisters) {
  TPicture picture;
  EXPECT_EQ(TPicture::FindByName("TGIFImage"), nullptr);
  try {
    ReadPictureData(picture);
    ADD_FAILURE() << "read before registration";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message, "Invalid stream format");
  }

  GIFImageInitialize();
  GIFImageInitialize();  // a second call changes nothing
  auto* gif = dynamic_cast<TGIFImage*>(ReadPictureData(picture));
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->Images()->Count(), 1);
  ASSERT_NE(CF_GIF, 0);
  EXPECT_EQ(TPicture::FindByClipboardFormat(CF_GIF), TGIFImage::ClassInfo());
  EXPECT_EQ(TPicture::FindByExtension("gif"), TGIFImage::ClassInfo());

  GIFImageFinalize();
  EXPECT_EQ(TPicture::FindByName("TGIFImage"), nullptr);
  EXPECT_EQ(TPicture::FindByClipboardFormat(CF_GIF), nullptr);
}

}  // namespace
