#include "toolkit/base/Graphics.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

// --- TGraphic --------------------------------------------------------------

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream s(fileName, fmOpenReadShareDenyWrite);
  LoadFromStream(s);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TFileStream s(fileName, fmCreate);
  SaveToStream(s);
}

bool TGraphic::Equals(const TGraphic* other) const { return other == this; }

void TGraphic::Changed(TObject*) {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone,
                        bool redrawNow, const TRect& r, const std::string& msg) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

// --- TBitmap ---------------------------------------------------------------

int TBitmap::BitsPerPixel() const {
  switch (FPixelFormat) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf32bit: return 32;
    default: return 24;
  }
}

int TBitmap::RowBytes() const { return ((FWidth * BitsPerPixel() + 31) / 32) * 4; }

void TBitmap::Realloc() {
  FBits.assign(static_cast<std::size_t>(RowBytes()) * static_cast<std::size_t>(FHeight), 0);
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  Realloc();
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat f) {
  if (f == FPixelFormat) return;
  FPixelFormat = f;
  Realloc();
  Changed(this);
}

std::uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= FHeight) throw EInvalidGraphic(FormatMessage1(SListIndexError, std::to_string(y)));
  return FBits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(RowBytes());
}

const std::uint8_t* TBitmap::ScanLine(int y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

void TBitmap::Assign(const TPersistent* source) {
  if (auto b = dynamic_cast<const TBitmap*>(source)) {
    if (b == this) return;
    FWidth = b->FWidth;
    FHeight = b->FHeight;
    FPixelFormat = b->FPixelFormat;
    FPalette = b->FPalette;
    FBits = b->FBits;
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

// The bitmap's stream form: width, height (32-bit little-endian), bits per
// pixel (1 byte), palette count (2 bytes), palette entries (4 bytes each),
// then the rows.
void TBitmap::SaveToStream(TStream& s) {
  auto put32 = [&](std::uint32_t v) {
    std::uint8_t b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                         std::uint8_t(v >> 24)};
    s.WriteBuffer(b, 4);
  };
  put32(static_cast<std::uint32_t>(FWidth));
  put32(static_cast<std::uint32_t>(FHeight));
  std::uint8_t bpp = static_cast<std::uint8_t>(BitsPerPixel());
  s.WriteBuffer(&bpp, 1);
  std::uint16_t n = FPalette ? static_cast<std::uint16_t>(FPalette->Entries.size()) : 0;
  std::uint8_t nb[2] = {std::uint8_t(n), std::uint8_t(n >> 8)};
  s.WriteBuffer(nb, 2);
  for (std::uint16_t i = 0; i < n; ++i) {
    const TPaletteEntry& e = FPalette->Entries[i];
    std::uint8_t b[4] = {e.Red, e.Green, e.Blue, e.Flags};
    s.WriteBuffer(b, 4);
  }
  s.WriteBuffer(FBits.data(), FBits.size());
}

void TBitmap::LoadFromStream(TStream& s) {
  std::uint8_t h[11];
  s.ReadBuffer(h, sizeof h);
  auto get32 = [&](int at) {
    return static_cast<std::uint32_t>(h[at] | (h[at + 1] << 8) | (h[at + 2] << 16)) |
           (static_cast<std::uint32_t>(h[at + 3]) << 24);
  };
  std::uint32_t w = get32(0), hh = get32(4);
  if (w > 65535 || hh > 65535) throw EInvalidGraphic(SInvalidImage);
  TPixelFormat f;
  switch (h[8]) {
    case 1: f = pf1bit; break;
    case 4: f = pf4bit; break;
    case 8: f = pf8bit; break;
    case 16: f = pf16bit; break;
    case 24: f = pf24bit; break;
    case 32: f = pf32bit; break;
    default: throw EInvalidGraphic(SInvalidImage);
  }
  auto pal = std::make_shared<TPaletteData>();
  pal->Entries.resize(static_cast<std::size_t>(h[9] | (h[10] << 8)));
  for (auto& e : pal->Entries) {
    std::uint8_t b[4];
    s.ReadBuffer(b, 4);
    e = TPaletteEntry{b[0], b[1], b[2], b[3]};
  }
  FPixelFormat = f;
  FWidth = static_cast<int>(w);
  FHeight = static_cast<int>(hh);
  Realloc();
  s.ReadBuffer(FBits.data(), FBits.size());
  FPalette = pal->Entries.empty() ? TPaletteHandle() : TPaletteHandle(pal);
  Changed(this);
}

void TBitmap::LoadFromClipboardFormat(TClipboardFormat format, THandle data, TPaletteHandle) {
  if (format != CF_BITMAP_FORMAT || !data) throw EInvalidGraphic(SUnknownClipboardFormat);
  std::vector<std::uint8_t> bytes = GlobalBlockBytes(data);
  TReadOnlyMemoryStream s(bytes.data(), bytes.size());
  LoadFromStream(s);
}

void TBitmap::SaveToClipboardFormat(TClipboardFormat& format, THandle& data,
                                    TPaletteHandle& palette) {
  TMemoryStream s;
  SaveToStream(s);
  format = CF_BITMAP_FORMAT;
  data = GlobalBlockAlloc(s.Memory(), static_cast<std::size_t>(s.Size()));
  palette = FPalette;
}

// --- picture registries ----------------------------------------------------

namespace {

struct FileFormat {
  std::string extension, description;
  const TGraphicClass* cls;
};
struct ClipFormat {
  TClipboardFormat format;
  const TGraphicClass* cls;
};
struct Registry {
  std::mutex lock;
  std::vector<FileFormat> files;
  std::vector<ClipFormat> clips;
};

Registry& Reg() {
  static Registry r;
  return r;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string ExtensionOf(const std::string& fileName) {
  std::size_t dot = fileName.find_last_of('.');
  std::size_t sep = fileName.find_last_of("/\\");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return "";
  return fileName.substr(dot + 1);
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TGraphicClass* graphicClass) {
  std::lock_guard<std::mutex> g(Reg().lock);
  Reg().files.push_back({Lower(extension), description, graphicClass});
}

void TPicture::RegisterClipboardFormat(TClipboardFormat format, const TGraphicClass* graphicClass) {
  std::lock_guard<std::mutex> g(Reg().lock);
  Reg().clips.push_back({format, graphicClass});
}

void TPicture::UnregisterGraphicClass(const TGraphicClass* graphicClass) {
  std::lock_guard<std::mutex> g(Reg().lock);
  auto& f = Reg().files;
  f.erase(std::remove_if(f.begin(), f.end(), [&](const FileFormat& x) { return x.cls == graphicClass; }),
          f.end());
  auto& c = Reg().clips;
  c.erase(std::remove_if(c.begin(), c.end(), [&](const ClipFormat& x) { return x.cls == graphicClass; }),
          c.end());
}

const TGraphicClass* TPicture::FindByName(const std::string& className) {
  std::lock_guard<std::mutex> g(Reg().lock);
  for (auto it = Reg().files.rbegin(); it != Reg().files.rend(); ++it)
    if (className == it->cls->Name) return it->cls;
  for (auto it = Reg().clips.rbegin(); it != Reg().clips.rend(); ++it)
    if (className == it->cls->Name) return it->cls;
  return nullptr;
}

const TGraphicClass* TPicture::FindByExtension(const std::string& extension) {
  std::lock_guard<std::mutex> g(Reg().lock);
  std::string e = Lower(extension);
  for (auto it = Reg().files.rbegin(); it != Reg().files.rend(); ++it)
    if (it->extension == e) return it->cls;
  return nullptr;
}

const TGraphicClass* TPicture::FindByClipboardFormat(TClipboardFormat format) {
  std::lock_guard<std::mutex> g(Reg().lock);
  for (auto it = Reg().clips.rbegin(); it != Reg().clips.rend(); ++it)
    if (it->format == format) return it->cls;
  return nullptr;
}

std::string TPicture::GraphicFilter() {
  std::lock_guard<std::mutex> g(Reg().lock);
  std::string out;
  for (const FileFormat& f : Reg().files) {
    if (!out.empty()) out += '|';
    out += f.description + " (*." + f.extension + ")|*." + f.extension;
  }
  return out;
}

// --- TPicture --------------------------------------------------------------

TPicture::~TPicture() { delete FGraphic; }

void TPicture::ReplaceGraphic(TGraphic* g) {
  delete FGraphic;
  FGraphic = g;
  if (FGraphic) {
    FGraphic->OnChange = [this](TObject*) { if (OnChange) OnChange(this); };
    FGraphic->OnProgress = [this](TObject* s, TProgressStage st, std::uint8_t p, bool r,
                                  const TRect& rc, const std::string& m) {
      if (OnProgress) OnProgress(s, st, p, r, rc, m);
    };
  }
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (!graphic) {
    ReplaceGraphic(nullptr);
    return;
  }
  const TGraphicClass* cls = FindByName(graphic->ClassName());
  if (!cls) throw EInvalidGraphic(SInvalidImage);
  std::unique_ptr<TGraphic> copy(cls->Create());
  copy->Assign(graphic);
  ReplaceGraphic(copy.release());
}

void TPicture::Assign(const TPersistent* source) {
  if (!source) {
    ReplaceGraphic(nullptr);
  } else if (auto p = dynamic_cast<const TPicture*>(source)) {
    if (p != this) SetGraphic(p->FGraphic);
  } else if (auto g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(const_cast<TGraphic*>(g));
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtensionOf(fileName);
  const TGraphicClass* cls = FindByExtension(ext);
  if (!cls) throw EInvalidGraphic(FormatMessage1(SUnknownExtension, ext));
  std::unique_ptr<TGraphic> g(cls->Create());
  g->LoadFromFile(fileName);
  ReplaceGraphic(g.release());
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::ReadData(TStream& stream) {
  std::string name = ReadShortString(stream);
  if (name.empty()) {
    ReplaceGraphic(nullptr);
    return;
  }
  const TGraphicClass* cls = FindByName(name);
  if (!cls) throw EInvalidGraphic(SInvalidImage);
  std::unique_ptr<TGraphic> g(cls->Create());
  g->ReadData(stream);
  ReplaceGraphic(g.release());
}

void TPicture::WriteData(TStream& stream) {
  WriteShortString(stream, FGraphic ? FGraphic->ClassName() : "");
  if (FGraphic) FGraphic->WriteData(stream);
}

std::string ReadShortString(TStream& stream) {
  std::uint8_t len = 0;
  stream.ReadBuffer(&len, 1);
  std::string s(len, '\0');
  stream.ReadBuffer(&s[0], len);
  return s;
}

void WriteShortString(TStream& stream, const std::string& s) {
  std::uint8_t len = static_cast<std::uint8_t>(std::min<std::size_t>(s.size(), 255));
  stream.WriteBuffer(&len, 1);
  stream.WriteBuffer(s.data(), len);
}
