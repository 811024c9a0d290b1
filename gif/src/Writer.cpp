// Stream forms of the header and frames. The LZW encoder that Compress needs
// is not part of this library yet.
#include "gif/GIFImage.h"
#include "StreamIO.h"

using namespace GIFImageMessages;
using namespace gifio;

void TGIFHeader::SaveToStream(TStream& stream) {
  TGIFVersion v = FGIFImage ? FGIFImage->GetVersion() : GetVersion();
  if (v == gvUnknown) throw GIFException(_sBadVersion);
  stream.WriteBuffer("GIF", 3);
  stream.WriteBuffer(GIFVersions[v], 3);
  std::uint8_t packed = 0;
  if (FColorMap->Count() > 0) {
    packed = pfColorTable;
    if (FColorMap->Optimized()) packed |= pfScreenSorted;
  }
  int resolution = FGIFImage ? FGIFImage->GetColorResolution() : GetColorResolution();
  packed |= static_cast<std::uint8_t>((resolution << 4) & 0x70);
  packed |= static_cast<std::uint8_t>((GetBitsPerPixel() - 1) & pfColorTableSize);
  FLogicalScreenDescriptor.PackedFields = packed;
  std::uint8_t d[7];
  PutLE16(d, FLogicalScreenDescriptor.ScreenWidth);
  PutLE16(d + 2, FLogicalScreenDescriptor.ScreenHeight);
  d[4] = packed;
  d[5] = FLogicalScreenDescriptor.BackgroundColorIndex;
  d[6] = FLogicalScreenDescriptor.AspectRatio;
  stream.WriteBuffer(d, 7);
  if (packed & pfColorTable) FColorMap->SaveToStream(stream);
}

void TGIFSubImage::SaveToStream(TStream& stream) {
  FExtensions->SaveToStream(stream);
  if (GetEmpty()) return;
  std::uint8_t packed = FImageDescriptor.PackedFields;
  if (FColorMap->Count() > 0) {
    packed = static_cast<std::uint8_t>(pfColorTable | (packed & pfInterlaced) |
                                       ((FColorMap->GetBitsPerPixel() - 1) & pfColorTableSize));
    if (FColorMap->Optimized()) packed |= pfImageSorted;
  } else {
    packed &= static_cast<std::uint8_t>(~(pfColorTable | pfImageSorted | pfColorTableSize));
  }
  FImageDescriptor.PackedFields = packed;
  std::uint8_t d[10] = {bsImageSeparator};
  PutLE16(d + 1, FImageDescriptor.Left);
  PutLE16(d + 3, FImageDescriptor.Top);
  PutLE16(d + 5, FImageDescriptor.Width);
  PutLE16(d + 7, FImageDescriptor.Height);
  d[9] = packed;
  stream.WriteBuffer(d, 10);
  FColorMap->SaveToStream(stream);
  Compress(stream);
}

void TGIFSubImage::Compress(TStream&) { throw GIFException(_sInvalidStream); }
