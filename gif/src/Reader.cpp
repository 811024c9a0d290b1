// The tolerant reader: header, frame list, frames, extension lists, trailer.
#include "gif/GIFImage.h"
#include "StreamIO.h"

#include <cctype>
#include <memory>

using namespace GIFImageMessages;
using namespace gifio;

namespace {

bool IsGIFSignature(const std::uint8_t* b) {
  return std::toupper(b[0]) == 'G' && std::toupper(b[1]) == 'I' && std::toupper(b[2]) == 'F';
}

// Skips padding zeros; false when the stream ends first.
bool ReadSkippingPadding(TStream& s, std::uint8_t& b) {
  do {
    if (!ReadByte(s, b)) return false;
  } while (b == bsPadding);
  return true;
}

void StepBack(TStream& s) { s.Seek(-1, TSeekOrigin::soCurrent); }

}  // namespace

// "GIF" + 3 version characters (not checked), possibly after 4 other bytes;
// then the logical screen descriptor and the global colour table:
//   +0 width (2)  +2 height (2)  +4 packed  +5 background index  +6 aspect
//   packed: bit 7 table present, bits 0-2 table size 2^(n+1)
void TGIFHeader::LoadFromStream(TStream& stream) {
  std::int64_t start = stream.Position();
  std::uint8_t sig[6];
  ReadExact(stream, sig, 6);
  if (!IsGIFSignature(sig)) {
    stream.SetPosition(start + 4);
    ReadExact(stream, sig, 6);
    if (!IsGIFSignature(sig)) throw GIFException(_sBadSignature);
  }
  FSignatureVersion.assign(reinterpret_cast<const char*>(sig + 3), 3);

  std::uint8_t d[7];
  ReadExact(stream, d, 7);
  FLogicalScreenDescriptor.ScreenWidth = LE16(d);
  FLogicalScreenDescriptor.ScreenHeight = LE16(d + 2);
  FLogicalScreenDescriptor.PackedFields = d[4];
  FLogicalScreenDescriptor.BackgroundColorIndex = d[5];
  FLogicalScreenDescriptor.AspectRatio = d[6];
  if (d[4] & pfColorTable)
    FColorMap->LoadFromStream(stream, 2 << (d[4] & pfColorTableSize));
  else
    FColorMap->Clear();
}

// Frames until the trailer; padding zeros between blocks are skipped, and a
// byte that starts neither an extension nor an image ends the list with a
// warning, the stream left at that byte.
void TGIFImageList::LoadFromStream(TStream& stream, TObject*) {
  TGIFImage* image = Image();
  const std::int64_t size = stream.Size();
  std::uint8_t b;
  if (!ReadSkippingPadding(stream, b)) return;
  while (b != bsTrailer) {
    StepBack(stream);
    if (b != bsExtensionIntroducer && b != bsImageSeparator) {
      Warning(gsWarning, _sBadBlock);
      return;
    }
    auto frame = std::make_unique<TGIFSubImage>(image);
    frame->LoadFromStream(stream);
    Add(frame.release());
    if (image) {
      std::int64_t pos = stream.Position();
      int percent = size > 0 ? static_cast<int>(pos * 100 / size) : 100;
      image->Progress(image, psRunning, static_cast<std::uint8_t>(percent > 100 ? 100 : percent),
                      GIFImageRenderOnLoad, Rect(0, 0, image->GetWidth(), image->GetHeight()),
                      _sProgressLoading);
    }
    if (!ReadSkippingPadding(stream, b)) return;
  }
  StepBack(stream);
}

// Extensions up to the image separator or the trailer. A byte that is no
// extension introducer ends the list with a warning.
void TGIFExtensionList::LoadFromStream(TStream& stream, TObject*) {
  std::uint8_t b;
  if (!ReadByte(stream, b)) return;
  while (b != bsImageSeparator && b != bsTrailer) {
    if (b != bsExtensionIntroducer) {
      Warning(gsWarning, _sBadExtensionLabel);
      break;
    }
    const TGIFExtensionClass* cls = TGIFExtension::FindExtension(stream);
    if (!cls) throw GIFException(_sUnknownExtension);
    StepBack(stream);
    std::unique_ptr<TGIFExtension> ext(cls->Create(FSubImage));
    ext->LoadFromStream(stream);
    Add(ext.release());
    if (!ReadByte(stream, b)) return;
  }
  StepBack(stream);
}

// Image descriptor (10 bytes):
//   +0 separator 0x2C (not checked)  +1 left  +3 top  +5 width  +7 height
//   +9 packed: bit 7 local table, bit 6 interlaced, bits 0-2 table size
void TGIFSubImage::LoadFromStream(TStream& stream) {
  Clear();
  FExtensions->LoadFromStream(stream, this);
  std::uint8_t b;
  if (!ReadByte(stream, b)) return;
  StepBack(stream);
  if (b == bsTrailer || b == bsPadding) return;  // extensions only, no image

  std::uint8_t d[10];
  ReadExact(stream, d, 10);
  FImageDescriptor.Separator = d[0];
  FImageDescriptor.Left = LE16(d + 1);
  FImageDescriptor.Top = LE16(d + 3);
  FImageDescriptor.Width = LE16(d + 5);
  FImageDescriptor.Height = LE16(d + 7);
  FImageDescriptor.PackedFields = d[9];
  if ((Width() == 0 || Height() == 0) && FGIFImage) {
    FImageDescriptor.Width = static_cast<std::uint16_t>(FGIFImage->GetWidth());
    FImageDescriptor.Height = static_cast<std::uint16_t>(FGIFImage->GetHeight());
    Warning(gsWarning, _sScreenSizeExceeded);
  }
  CheckScreenBounds();
  if (d[9] & pfColorTable) FColorMap->LoadFromStream(stream, 2 << (d[9] & pfColorTableSize));
  Decompress(stream);
}

void TGIFTrailer::LoadFromStream(TStream& stream) {
  std::uint8_t b;
  if (ReadByte(stream, b) && b != bsTrailer) Warning(gsWarning, _sBadTrailer);
}

void TGIFTrailer::SaveToStream(TStream& stream) { WriteByte(stream, bsTrailer); }
