// The object model: items, lists, header, trailer and frames (everything
// but reading, writing and decoding).
#include "gif/GIFImage.h"
#include "StreamIO.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace GIFImageMessages;
using namespace gifio;

// --- TGIFItem --------------------------------------------------------------

void TGIFItem::Warning(TGIFSeverity severity, const std::string& message) {
  if (FGIFImage) FGIFImage->Warning(this, severity, message);
}

void TGIFItem::SaveToFile(const std::string& fileName) {
  TFileStream s(fileName, fmCreate);
  SaveToStream(s);
}

void TGIFItem::LoadFromFile(const std::string& fileName) {
  TFileStream s(fileName, fmOpenReadShareDenyWrite);
  LoadFromStream(s);
}

// --- TGIFList --------------------------------------------------------------

TGIFItem* TGIFList::Item(int index) const {
  if (index < 0 || index >= Count())
    throw Exception(FormatMessage1(SListIndexError, std::to_string(index)));
  return FItems[static_cast<std::size_t>(index)];
}

int TGIFList::Add(TGIFItem* item) {
  FItems.push_back(item);
  return Count() - 1;
}

void TGIFList::Insert(int index, TGIFItem* item) {
  if (index < 0 || index > Count())
    throw Exception(FormatMessage1(SListIndexError, std::to_string(index)));
  FItems.insert(FItems.begin() + index, item);
}

void TGIFList::Delete(int index) {
  TGIFItem* item = Item(index);
  FItems.erase(FItems.begin() + index);
  delete item;
}

int TGIFList::Remove(TGIFItem* item) {
  // Items usually leave from the end (clearing, failed reads).
  for (std::size_t i = FItems.size(); i-- > 0;) {
    if (FItems[i] == item) {
      FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
      return static_cast<int>(i);
    }
  }
  return -1;
}

int TGIFList::IndexOf(const TGIFItem* item) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == item) return static_cast<int>(i);
  return -1;
}

void TGIFList::Clear() {
  std::vector<TGIFItem*> items;
  items.swap(FItems);
  for (auto it = items.rbegin(); it != items.rend(); ++it) delete *it;
}

void TGIFList::Warning(TGIFSeverity severity, const std::string& message) {
  if (FImage) FImage->Warning(this, severity, message);
}

void TGIFList::SaveToStream(TStream& stream) {
  for (TGIFItem* item : FItems) item->SaveToStream(stream);
}

void TGIFList::SetImage(TGIFImage* image) {
  FImage = image;
  for (TGIFItem* item : FItems) item->FGIFImage = image;
}

TGIFSubImage* TGIFImageList::operator[](int index) const {
  return static_cast<TGIFSubImage*>(Item(index));
}

int TGIFImageList::Add(TGIFSubImage* frame) {
  int at = IndexOf(frame);
  if (at >= 0) return at;
  frame->MoveToImage(Image());
  return TGIFList::Add(frame);
}

TGIFExtensionList::TGIFExtensionList(TGIFSubImage* subImage)
    : TGIFList(subImage->Image()), FSubImage(subImage) {}

TGIFExtension* TGIFExtensionList::operator[](int index) const {
  return static_cast<TGIFExtension*>(Item(index));
}

// --- TGIFBlock -------------------------------------------------------------

void TGIFBlock::LoadFromStream(TStream& stream) { ReadExact(stream, FData.data(), FData.size()); }

void TGIFBlock::SaveToStream(TStream& stream) const {
  WriteByte(stream, static_cast<std::uint8_t>(FData.size()));
  stream.WriteBuffer(FData.data(), FData.size());
}

// --- TGIFHeader ------------------------------------------------------------

TGIFHeader::TGIFHeader(TGIFImage* image) : TGIFItem(image), FColorMap(new TGIFGlobalColorMap(this)) {}

TGIFHeader::~TGIFHeader() { delete FColorMap; }

TGIFVersion TGIFHeader::GetVersion() const {
  return (FColorMap->Optimized() || FLogicalScreenDescriptor.AspectRatio != 0) ? gv89a : gv87a;
}

void TGIFHeader::SetBackgroundColorIndex(int index) {
  if (FColorMap->Count() > 0 && index >= FColorMap->Count()) {
    Warning(gsWarning, _sBadColorIndex);
    index = 0;
  }
  FLogicalScreenDescriptor.BackgroundColorIndex = static_cast<std::uint8_t>(index);
}

TColor TGIFHeader::GetBackgroundColor() {
  return FColorMap->GetColor(FLogicalScreenDescriptor.BackgroundColorIndex);
}

void TGIFHeader::SetBackgroundColor(TColor color) {
  SetBackgroundColorIndex(FColorMap->AddUnique(color));
}

void TGIFHeader::Clear() {
  FColorMap->Clear();
  FLogicalScreenDescriptor = TLogicalScreenDescriptor();
}

void TGIFHeader::Assign(const TPersistent* source) {
  if (auto h = dynamic_cast<const TGIFHeader*>(source)) {
    if (h == this) return;
    FColorMap->Assign(h->FColorMap);
    FLogicalScreenDescriptor = h->FLogicalScreenDescriptor;
    FSignatureVersion = h->FSignatureVersion;
    return;
  }
  TGIFItem::Assign(source);
}

// --- TGIFPixels ------------------------------------------------------------

bool TGIFPixels::Allocate(std::size_t size) {
  Free();
  if (size == 0) return true;
  FData = static_cast<std::uint8_t*>(std::calloc(size, 1));
  if (!FData) return false;
  FSize = size;
  return true;
}

void TGIFPixels::Free() {
  std::free(FData);
  FData = nullptr;
  FSize = 0;
}

// --- TGIFSubImage ----------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGIFImage* image)
    : TGIFItem(image), FExtensions(new TGIFExtensionList(this)),
      FColorMap(new TGIFLocalColorMap(this)) {}

TGIFSubImage::~TGIFSubImage() {
  if (FGIFImage) FGIFImage->Images()->Remove(this);
  FreeImage();
  delete FExtensions;  // clears FGCE through the extension's destructor
  FExtensions = nullptr;
  delete FColorMap;
}

int TGIFSubImage::GetBounds(int index) const {
  switch (index) {
    case 1: return Left();
    case 2: return Top();
    case 3: return Width();
    case 4: return Height();
    default: return 0;
  }
}

void TGIFSubImage::SetBounds(int index, int value) {
  switch (index) {
    case 1: DoSetBounds(value, Top(), Width(), Height()); break;
    case 2: DoSetBounds(Left(), value, Width(), Height()); break;
    case 3: DoSetBounds(Left(), Top(), value, Height()); break;
    case 4: DoSetBounds(Left(), Top(), Width(), value); break;
    default: break;
  }
}

TRect TGIFSubImage::GetBoundsRect() const {
  return Rect(Left(), Top(), Left() + Width(), Top() + Height());
}

void TGIFSubImage::SetBoundsRect(const TRect& r) {
  DoSetBounds(r.Left, r.Top, r.Right - r.Left + 1, r.Bottom - r.Top + 1);
}

static std::uint16_t Clamp16(int v) { return static_cast<std::uint16_t>(std::min(std::max(v, 0), 65535)); }

void TGIFSubImage::DoSetBounds(int left, int top, int width, int height) {
  bool sizeChanged = Clamp16(width) != FImageDescriptor.Width || Clamp16(height) != FImageDescriptor.Height;
  FImageDescriptor.Left = Clamp16(left);
  FImageDescriptor.Top = Clamp16(top);
  FImageDescriptor.Width = Clamp16(width);
  FImageDescriptor.Height = Clamp16(height);
  if (FImageDescriptor.Separator == 0) FImageDescriptor.Separator = bsImageSeparator;
  if (sizeChanged) {
    FreeBitmap();
    FreeMask();
    FreeImage();
    NewImage();
  }
  CheckScreenBounds();
}

// A frame reaching past the logical screen enlarges the screen (the header's
// 16-bit size is the limit). A screen of size 0 grows silently; a real one
// warns for each side it grew on, then once that the screen was exceeded.
void TGIFSubImage::CheckScreenBounds() {
  if (!FGIFImage) return;
  TGIFHeader* h = FGIFImage->Header();
  bool warned = false;
  int right = Left() + Width(), bottom = Top() + Height();
  if (right > h->Width()) {
    if (h->Width() != 0) {
      Warning(gsWarning, _sBadWidth);
      warned = true;
    }
    h->SetWidth(std::min(right, 65535));
  }
  if (bottom > h->Height()) {
    if (h->Height() != 0) {
      Warning(gsWarning, _sBadHeight);
      warned = true;
    }
    h->SetHeight(std::min(bottom, 65535));
  }
  if (warned) Warning(gsWarning, _sScreenSizeExceeded);
}

// Takes the frame out of its image (its list, its pixel count, its composed
// bitmap) and gives it to `image`, extensions included. The new image's
// pixel bound is asked first, so a refusal leaves everything as it was.
void TGIFSubImage::MoveToImage(TGIFImage* image) {
  if (image == FGIFImage) return;
  const std::size_t n = FData.Size();
  if (n != 0 && image && !image->ReservePixels(n)) throw GIFException(_sOutOfMemDIB);
  if (TGIFImage* old = FGIFImage) {
    old->Images()->Remove(this);
    if (n != 0) old->ReleasePixels(n);
    old->FreeBitmap();
  }
  FGIFImage = image;
  FExtensions->SetImage(image);
  FreeBitmap();
  FreeMask();
}

void TGIFSubImage::SetInterlaced(bool v) {
  if (v)
    FImageDescriptor.PackedFields |= pfInterlaced;
  else
    FImageDescriptor.PackedFields &= static_cast<std::uint8_t>(~pfInterlaced);
}

TGIFColorMap* TGIFSubImage::GetActiveColorMap() const {
  if (FColorMap->Count() > 0) return FColorMap;
  if (FGIFImage && FGIFImage->GlobalColorMap()->Count() > 0) return FGIFImage->GlobalColorMap();
  return FColorMap;
}

bool TGIFSubImage::GetEmpty() const {
  return FData.Data() == nullptr || FData.Size() == 0 || Width() == 0 || Height() == 0;
}

TGIFVersion TGIFSubImage::GetVersion() const {
  if (FColorMap->Optimized()) return gv89a;
  TGIFVersion v = gv87a;
  for (int i = 0; i < FExtensions->Count(); ++i) {
    TGIFVersion e = (*FExtensions)[i]->GetVersion();
    if (e > v) v = e;
    if (v == gv89a) break;
  }
  return v;
}

std::uint8_t TGIFSubImage::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height() || GetEmpty())
    throw GIFException(_sBadPixelCoordinates);
  return FData.Data()[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width()) +
                      static_cast<std::size_t>(x)];
}

std::uint8_t* TGIFSubImage::GetScanline(int y) {
  if (y < 0 || y >= Height()) throw GIFException(_sBadPixelCoordinates);
  if (!FData.Data()) NewImage();
  if (FData.Size() == 0) throw GIFException(_sEmptyImage);
  return FData.Data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width());
}

void TGIFSubImage::NewImage() {
  FreeImage();
  std::size_t n = static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height());
  if (n == 0) return;
  if (n > GIFMaxFramePixels || (FGIFImage && !FGIFImage->ReservePixels(n)))
    throw GIFException(_sOutOfMemDIB);
  if (!FData.Allocate(n)) {
    if (FGIFImage) FGIFImage->ReleasePixels(n);
    throw GIFException(_sOutOfMemDIB);
  }
}

void TGIFSubImage::FreeImage() {
  if (FData.Size() != 0 && FGIFImage) FGIFImage->ReleasePixels(FData.Size());
  FData.Free();
}

void TGIFSubImage::FreeBitmap() {
  FBitmap.reset();
  FPalette.reset();
}

void TGIFSubImage::FreeMask() {
  FMask.reset();
  FNeedMask = true;
}

void TGIFSubImage::Clear() {
  FExtensions->Clear();
  FColorMap->Clear();
  FreeImage();
  FImageDescriptor = TImageDescriptor();
  FTransparent = false;
  FreeBitmap();
  FreeMask();
}

void TGIFSubImage::Assign(const TPersistent* source) {
  if (source == this) return;
  if (!source) {
    Clear();
    return;
  }
  if (auto s = dynamic_cast<const TGIFSubImage*>(source)) {
    Clear();
    if (!s->GetEmpty()) {
      FImageDescriptor = s->FImageDescriptor;
      FTransparent = s->FTransparent;
      NewImage();
      std::memcpy(FData.Data(), s->FData.Data(), FData.Size());
      FColorMap->Assign(s->FColorMap);
    }
    // Extensions are copied through their stream form.
    TMemoryStream m;
    s->FExtensions->SaveToStream(m);
    m.SetPosition(0);
    FExtensions->LoadFromStream(m, this);
    return;
  }
  TGIFItem::Assign(source);
}
