// Stream forms of the header and frames, and the choice of encoder for a
// frame's image data.
#include "gif/GIFImage.h"
#include "LZWEncoder.h"
#include "RLEEncoder.h"
#include "StreamIO.h"

#include <algorithm>
#include <memory>

using namespace GIFImageMessages;
using namespace gifio;

void TGIFHeader::SaveToStream(TStream& stream) {
  // The frames decide the version; a sorted global table or an aspect ratio
  // (fields 87a reserves) raise it to 89a as well.
  TGIFVersion v = FGIFImage ? FGIFImage->GetVersion() : GetVersion();
  if (v == gvUnknown) throw GIFException(_sBadVersion);
  v = std::max(v, GetVersion());
  stream.WriteBuffer("GIF", 3);
  stream.WriteBuffer(GIFVersions[v], 3);
  std::uint8_t packed = 0;
  if (FColorMap->Count() > 0) {
    packed = pfColorTable;
    if (FColorMap->Optimized()) packed |= pfScreenSorted;
  }
  // Without any colour table the resolution is -1 and the table size
  // meaningless: both fields are written as 0 then.
  int resolution = FGIFImage ? FGIFImage->GetColorResolution() : GetColorResolution();
  packed |= static_cast<std::uint8_t>((std::max(resolution, 0) << 4) & 0x70);
  packed |= static_cast<std::uint8_t>(std::max(GetBitsPerPixel() - 1, 0) & pfColorTableSize);
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

// The colours a pixel may take: the local table's entries, or else 2^bits
// of the image (the most bits of any of its tables).
void TGIFSubImage::Compress(TStream& stream) {
  int codeSize, colors;
  if (FColorMap->Count() > 0) {
    colors = FColorMap->Count();
    codeSize = FColorMap->GetBitsPerPixel();
  } else {
    codeSize = FGIFImage ? FGIFImage->GetBitsPerPixel() : 0;
    colors = 1 << codeSize;
  }
  std::unique_ptr<TGIFEncoder> encoder;
  if (FGIFImage && FGIFImage->Compression() == gcRLE)
    encoder = std::make_unique<TRLEEncoder>();
  else
    encoder = std::make_unique<TLZWEncoder>();
  encoder->EncodeFrame(stream, codeSize, colors, Data(), GetInterlaced(), Height(), Width());
}
