// TGIFImage: the picture, its settings, loading, copying, the clipboard and
// its registration with the toolkit.
#include "gif/GIFImage.h"
#include "StreamIO.h"

#include "toolkit/base/Screen.h"

#include <algorithm>
#include <new>

using namespace GIFImageMessages;

TGIFImage::TGIFImage()
    : FHeader(new TGIFHeader(this)),
      FImages(new TGIFImageList(this)),
      FDrawOptions(GIFImageDefaultDrawOptions),
      FAnimationSpeed(GIFImageDefaultAnimationSpeed),
      FThreadPriority(GIFImageDefaultThreadPriority),
      FColorReduction(GIFImageDefaultColorReduction),
      FReductionBits(GIFImageDefaultColorReductionBits),
      FDitherMode(GIFImageDefaultDitherMode),
      FCompression(GIFImageDefaultCompression) {}

TGIFImage::~TGIFImage() {
  StopPainters();
  FImages->Clear();
  delete FImages;
  delete FHeader;
}

const TGraphicClass* TGIFImage::ClassInfo() {
  static const TGraphicClass c{"TGIFImage", [] { return static_cast<TGraphic*>(new TGIFImage); }};
  return &c;
}

// Drawing lives with the renderer; an image without it paints nothing.
void TGIFImage::Draw(TCanvas&, const TRect&) {}

// No painter threads exist yet; the lock is what later painters share.
void TGIFImage::StopPainters() { std::lock_guard<std::recursive_mutex> g(FPainterLock); }

void TGIFImage::Clear() {
  StopPainters();
  FreeBitmap();
  FImages->Clear();
  FHeader->Clear();
  SetPalette({});
}

void TGIFImage::FreeBitmap() { FBitmap.reset(); }

void TGIFImage::SetPalette(TPaletteHandle p) {
  if (p == FPalette) return;
  FPalette = std::move(p);
  if (FBitmap && FBitmap->GetPalette() != FPalette) {
    FBitmap.reset();
    Changed(this);
  }
}

void TGIFImage::Pack() {
  FreeBitmap();
  FPalette.reset();
  for (int i = 0; i < FImages->Count(); ++i) {
    (*FImages)[i]->FreeBitmap();
    (*FImages)[i]->FreeMask();
  }
  if (FImages->Count() == 1 && FHeader->ColorMap()->Count() == 0) {
    TGIFColorMap* local = (*FImages)[0]->ColorMap();
    FHeader->ColorMap()->Assign(local);
    local->Clear();
  }
}

bool TGIFImage::ReservePixels(std::size_t n) {
  if (n > FPixelLimit - std::min(FPixelTotal, FPixelLimit)) return false;
  FPixelTotal += n;
  return true;
}

void TGIFImage::ReleasePixels(std::size_t n) { FPixelTotal -= std::min(n, FPixelTotal); }

void TGIFImage::Warning(TObject* sender, TGIFSeverity severity, const std::string& message) {
  if (OnWarning) OnWarning(sender, severity, message);
}

void TGIFImage::Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                         bool redrawNow, const TRect& r, const std::string& msg) {
  TGraphic::Progress(sender, stage, percentDone, redrawNow, r, msg);
}

// --- loading ---------------------------------------------------------------

namespace {
// What the bytes from `start` to the end of `stream` can decode to, at most.
std::size_t LoadPixelLimit(TStream& stream, std::int64_t start) {
  const std::int64_t size = stream.Size();
  const std::size_t bytes = size > start ? static_cast<std::size_t>(size - start) : 0;
  const std::size_t room = (GIFMaxImagePixels - GIFLoadPixelAllowance) / GIFMaxPixelsPerByte;
  if (bytes >= room) return GIFMaxImagePixels;
  return GIFLoadPixelAllowance + bytes * GIFMaxPixelsPerByte;
}

// Sets a pixel limit for the lifetime of the object.
class TPixelLimitScope {
public:
  TPixelLimitScope(std::size_t& limit, std::size_t value) : FLimit(limit), FOld(limit) { limit = value; }
  ~TPixelLimitScope() { FLimit = FOld; }
  TPixelLimitScope(const TPixelLimitScope&) = delete;
  TPixelLimitScope& operator=(const TPixelLimitScope&) = delete;

private:
  std::size_t& FLimit;
  std::size_t FOld;
};
}  // namespace

void TGIFImage::LoadFromStream(TStream& stream) {
  const TRect none = Rect(0, 0, 0, 0);
  Progress(this, psStarting, 0, false, none, _sProgressLoading);
  bool ok = false;
  try {
    Clear();
    const std::int64_t start = stream.Position();
    TPixelLimitScope limit(FPixelLimit, LoadPixelLimit(stream, start));
    try {
      FHeader->LoadFromStream(stream);
      FImages->LoadFromStream(stream, this);
      TGIFTrailer trailer(this);
      trailer.LoadFromStream(stream);
    } catch (const std::bad_alloc&) {
      stream.SetPosition(start);
      Clear();
      throw GIFException(_sOutOfMemDIB);
    } catch (...) {
      stream.SetPosition(start);
      Clear();
      throw;
    }
    ok = true;
  } catch (...) {
    Progress(this, psEnding, 0, true, none, _sProgressLoading);
    throw;
  }
  Progress(this, psEnding, ok ? 100 : 0, true, none, _sProgressLoading);
  Changed(this);
}

void TGIFImage::SaveToStream(TStream& stream) {
  const TRect none = Rect(0, 0, 0, 0);
  Progress(this, psStarting, 0, false, none, _sProgressSaving);
  try {
    FHeader->SaveToStream(stream);
    for (int i = 0; i < FImages->Count(); ++i) {
      (*FImages)[i]->SaveToStream(stream);
      Progress(this, psRunning, static_cast<std::uint8_t>((i + 1) * 100 / FImages->Count()), false,
               none, _sProgressSaving);
    }
    gifio::WriteByte(stream, gifio::bsTrailer);
  } catch (...) {
    Progress(this, psEnding, 0, true, none, _sProgressSaving);
    throw;
  }
  Progress(this, psEnding, 100, true, none, _sProgressSaving);
}

// Optimising before storing needs the image optimiser, which this library
// does not have yet: the setting is refused rather than ignored.
void TGIFImage::WriteData(TStream& stream) {
  if (GIFImageOptimizeOnStream)
    throw GIFException("GIFImageOptimizeOnStream is not supported: this build cannot optimize images");
  SaveToStream(stream);
}

// --- properties ------------------------------------------------------------

// The header holds 16 bits: sizes are clamped to 0..65535 before the frames
// are checked against them.
void TGIFImage::SetWidth(int value) {
  value = std::min(std::max(value, 0), 65535);
  for (int i = 0; i < FImages->Count(); ++i)
    if ((*FImages)[i]->Left() + (*FImages)[i]->Width() > value) throw GIFException(_sBadWidth);
  if (value == FHeader->Width()) return;
  FHeader->SetWidth(value);
  FreeBitmap();
  Changed(this);
}

void TGIFImage::SetHeight(int value) {
  value = std::min(std::max(value, 0), 65535);
  for (int i = 0; i < FImages->Count(); ++i)
    if ((*FImages)[i]->Top() + (*FImages)[i]->Height() > value) throw GIFException(_sBadHeight);
  if (value == FHeader->Height()) return;
  FHeader->SetHeight(value);
  FreeBitmap();
  Changed(this);
}

TGIFVersion TGIFImage::GetVersion() const {
  TGIFVersion v = gvUnknown;
  for (int i = 0; i < FImages->Count() && v != gv89a; ++i) v = std::max(v, (*FImages)[i]->GetVersion());
  return v;
}

int TGIFImage::GetBitsPerPixel() const {
  int b = FHeader->GetBitsPerPixel();
  for (int i = 0; i < FImages->Count(); ++i) b = std::max(b, (*FImages)[i]->GetBitsPerPixel());
  return b;
}

int TGIFImage::GetColorResolution() const {
  int r = FHeader->GetColorResolution();
  for (int i = 0; i < FImages->Count(); ++i) r = std::max(r, (*FImages)[i]->GetColorResolution());
  return r;
}

bool TGIFImage::GetIsTransparent() const {
  for (int i = 0; i < FImages->Count(); ++i) {
    TGIFGraphicControlExtension* gce = (*FImages)[i]->GraphicControlExtension();
    if (gce && gce->GetTransparent()) return true;
  }
  return false;
}

void TGIFImage::SetDrawOptions(TGIFDrawOptions v) {
  if (v == FDrawOptions) return;
  StopPainters();
  FDrawOptions = v;
  Pack();
  Changed(this);
}

void TGIFImage::SetAnimationSpeed(int v) {
  std::lock_guard<std::recursive_mutex> g(FPainterLock);
  FAnimationSpeed = std::min(std::max(v, 0), 1000);
}

void TGIFImage::SetReductionBits(int n) {
  if (n < 3 || n > 8) throw GIFException(_sInvalidBitSize);
  FReductionBits = n;
}

// --- copying ---------------------------------------------------------------

void TGIFImage::AssignImage(const TGIFImage& source) {
  Clear();
  TProgressEvent ownProgress = OnProgress;
  TGIFWarning ownWarning = OnWarning;
  OnProgress = source.OnProgress;
  OnWarning = source.OnWarning;
  const TRect none = Rect(0, 0, 0, 0);
  try {
    Progress(this, psStarting, 0, false, none, _sProgressCopying);
    FHeader->Assign(source.FHeader);
    FThreadPriority = source.FThreadPriority;
    FPaintBackgroundColor = source.FPaintBackgroundColor;
    FDrawOptions = source.FDrawOptions;
    FColorReduction = source.FColorReduction;
    FDitherMode = source.FDitherMode;
    const int n = source.FImages->Count();
    for (int i = 0; i < n; ++i) {
      auto frame = std::make_unique<TGIFSubImage>(this);
      frame->Assign((*source.FImages)[i]);
      FImages->Add(frame.release());
      Progress(this, psRunning, static_cast<std::uint8_t>((i + 1) * 100 / n), false, none,
               _sProgressCopying);
    }
    Progress(this, psEnding, 100, true, none, _sProgressCopying);
  } catch (...) {
    Progress(this, psEnding, 0, true, none, _sProgressCopying);
    OnProgress = ownProgress;
    OnWarning = ownWarning;
    throw;
  }
  OnProgress = ownProgress;
  OnWarning = ownWarning;
}

void TGIFImage::Assign(const TPersistent* source) {
  if (source == this) return;
  auto graphic = dynamic_cast<const TGraphic*>(source);
  if (!source || (graphic && graphic->GetEmpty())) {
    Clear();
    Changed(this);
    return;
  }
  if (auto gif = dynamic_cast<const TGIFImage*>(source)) {
    AssignImage(*gif);
    Changed(this);
    return;
  }
  // Other pictures become one frame through the frame's own conversion; what
  // it cannot convert falls back to the generic assignment.
  Clear();
  auto frame = std::make_unique<TGIFSubImage>(this);
  try {
    frame->Assign(source);
  } catch (const EConvertError&) {
    frame.reset();
    TGraphic::Assign(source);
    return;
  }
  FImages->Add(frame.release());
  Changed(this);
}

int TGIFImage::Add(TPersistent* source) {
  int index;
  if (auto frame = dynamic_cast<TGIFSubImage*>(source)) {
    index = FImages->Add(frame);
  } else if (dynamic_cast<TGraphic*>(source)) {
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Assign(source);
    index = FImages->Add(frame.release());
  } else {
    throw GIFException(_sUnsupportedClass);
  }
  FreeBitmap();
  Changed(this);
  return index;
}

// --- clipboard -------------------------------------------------------------

void TGIFImage::LoadFromClipboardFormat(TClipboardFormat format, THandle data, TPaletteHandle palette) {
  if (format == CF_BITMAP_FORMAT) {
    // The bitmap fetches the clipboard's data itself when `data` is 0.
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(format, data, palette);
    Assign(&bitmap);
    return;
  }
  if (format != CF_GIF || CF_GIF == 0) throw EInvalidGraphic(SUnknownClipboardFormat);
  std::vector<std::uint8_t> bytes;
  if (data) {
    bytes = GlobalBlockBytes(data);
  } else if (ClipboardOpen()) {
    bytes = GlobalBlockBytes(ClipboardGetData(format));
    ClipboardClose();
  }
  if (bytes.empty()) throw EInvalidGraphic(SUnknownClipboardFormat);
  TReadOnlyMemoryStream s(bytes.data(), bytes.size());
  LoadFromStream(s);
}

void TGIFImage::SaveToClipboardFormat(TClipboardFormat& format, THandle& data, TPaletteHandle& palette) {
  if (GetEmpty()) return;
  TMemoryStream s;
  SaveToStream(s);
  THandle block = GlobalBlockAlloc(s.Memory(), static_cast<std::size_t>(s.Size()));
  if (!block || !ClipboardSetData(CF_GIF, block)) {
    GlobalBlockFree(block);
    throw GIFException(_sFailedPaste);
  }
  // The GIF block is the clipboard's now; the caller gets the bitmap half.
  format = CF_BITMAP_FORMAT;
  data = 0;
  palette = GetPalette();
  if (FBitmap) FBitmap->SaveToClipboardFormat(format, data, palette);
}

// --- registration ----------------------------------------------------------

namespace {
bool gInitialized = false;
}

void GIFImageInitialize() {
  if (gInitialized) return;
  gInitialized = true;
  TPicture::RegisterFileFormat("gif", _sGIFImageFile, TGIFImage::ClassInfo());
  CF_GIF = RegisterClipboardFormatName(_sGIFImageFile);
  if (CF_GIF != 0) TPicture::RegisterClipboardFormat(CF_GIF, TGIFImage::ClassInfo());
  DoAutoDither = PaletteDevice = ScreenColorDepth() < 9;
}

void GIFImageFinalize() {
  if (!gInitialized) return;
  gInitialized = false;
  TPicture::UnregisterGraphicClass(TGIFImage::ClassInfo());
}
