// Extensions, their registries and their stream forms.
#include "gif/GIFImage.h"
#include "StreamIO.h"

#include <algorithm>
#include <cstring>

using namespace GIFImageMessages;
using namespace gifio;

// --- registries ------------------------------------------------------------

namespace {

struct LabelEntry {
  std::uint8_t label;
  const TGIFExtensionClass* cls;
};
struct AppEntry {
  std::uint8_t id[11];
  const TGIFExtensionClass* cls;
};

// Built on first use; later registrations win, so look-ups run backwards.
std::vector<LabelEntry>& ExtensionList() {
  static std::vector<LabelEntry> list = {
      {lbPlainText, TGIFTextExtension::ClassInfo()},
      {lbGraphicControl, TGIFGraphicControlExtension::ClassInfo()},
      {lbComment, TGIFCommentExtension::ClassInfo()},
      {lbApplication, TGIFApplicationExtension::ClassInfo()},
  };
  return list;
}

std::vector<AppEntry>& AppExtensionList() {
  static std::vector<AppEntry> list = [] {
    std::vector<AppEntry> l(2);
    std::memcpy(l[0].id, "NETSCAPE2.0", 11);
    l[0].cls = TGIFAppExtNSLoop::ClassInfo();
    std::memcpy(l[1].id, "ANIMEXTS1.0", 11);
    l[1].cls = TGIFAppExtNSLoop::ClassInfo();
    return l;
  }();
  return list;
}

const TGIFExtensionClass* FindSelf(TStream&) { return nullptr; }  // "returns itself"

template <class T>
TGIFExtension* CreateExt(TGIFSubImage* s) { return new T(s); }

}  // namespace

void TGIFExtension::RegisterExtension(std::uint8_t label, const TGIFExtensionClass* cls) {
  ExtensionList().push_back({label, cls});
}

void TGIFApplicationExtension::RegisterExtension(const std::string& id, const TGIFExtensionClass* cls) {
  AppEntry e{};
  std::memset(e.id, ' ', sizeof e.id);
  std::memcpy(e.id, id.data(), std::min<std::size_t>(id.size(), 11));
  e.cls = cls;
  AppExtensionList().push_back(e);
}

// Position kept; a class answering null (or itself) ends the search.
const TGIFExtensionClass* TGIFExtension::FindExtension(TStream& stream) {
  std::int64_t pos = stream.Position();
  std::uint8_t label;
  const TGIFExtensionClass* cls = nullptr;
  if (ReadByte(stream, label)) {
    auto& list = ExtensionList();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
      if (it->label == label) {
        cls = it->cls;
        break;
      }
    while (cls && cls->FindSubExtension) {
      const TGIFExtensionClass* sub = cls->FindSubExtension(stream);
      if (!sub || sub == cls) break;
      cls = sub;
    }
  }
  stream.SetPosition(pos);
  return cls;
}

// --- TGIFExtension ---------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage ? subImage->Image() : nullptr), FSubImage(subImage) {}

TGIFExtension::~TGIFExtension() {
  if (FSubImage && FSubImage->Extensions()) FSubImage->Extensions()->Remove(this);
}

void TGIFExtension::LoadFromStream(TStream& stream) {
  std::uint8_t b[2];
  ReadExact(stream, b, 2);
  if (b[0] != bsExtensionIntroducer) throw GIFException(_sBadExtensionLabel);
  if (b[1] != GetExtensionType()) throw GIFException(_sBadExtensionInstance);
}

void TGIFExtension::SaveToStream(TStream& stream) {
  std::uint8_t b[2] = {bsExtensionIntroducer, GetExtensionType()};
  stream.WriteBuffer(b, 2);
}

// --- graphic control -------------------------------------------------------

const TGIFExtensionClass* TGIFGraphicControlExtension::ClassInfo() {
  static const TGIFExtensionClass c{"TGIFGraphicControlExtension",
                                    &CreateExt<TGIFGraphicControlExtension>, &FindSelf};
  return &c;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* subImage)
    : TGIFExtension(subImage) {
  if (subImage && !subImage->FGCE) subImage->FGCE = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (FSubImage && FSubImage->FGCE == this) {
    if (GetTransparent()) FSubImage->FTransparent = false;
    FSubImage->FGCE = nullptr;
  }
}

void TGIFGraphicControlExtension::SetTransparent(bool v) {
  if (v)
    FRec.PackedFields |= pfTransparent;
  else
    FRec.PackedFields &= static_cast<std::uint8_t>(~pfTransparent);
  if (FSubImage) FSubImage->FTransparent = v;
}

void TGIFGraphicControlExtension::SetUserInput(bool v) {
  if (v)
    FRec.PackedFields |= pfUserInput;
  else
    FRec.PackedFields &= static_cast<std::uint8_t>(~pfUserInput);
}

void TGIFGraphicControlExtension::SetDisposal(int v) {
  FRec.PackedFields = static_cast<std::uint8_t>((FRec.PackedFields & ~pfDisposalMask) |
                                                ((v << pfDisposalShift) & pfDisposalMask));
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(int index) {
  TGIFColorMap* map = FSubImage ? FSubImage->GetActiveColorMap() : nullptr;
  if (map && map->Count() > 0 && index >= map->Count()) {
    Warning(gsWarning, _sBadColorIndex);
    index = 0;
  }
  FRec.TransparentColorIndex = static_cast<std::uint8_t>(index);
}

TColor TGIFGraphicControlExtension::GetTransparentColor() const {
  return FSubImage->GetActiveColorMap()->GetColor(FRec.TransparentColorIndex);
}

void TGIFGraphicControlExtension::SetTransparentColor(TColor color) {
  SetTransparentColorIndex(FSubImage->GetActiveColorMap()->AddUnique(color));
}

void TGIFGraphicControlExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  std::uint8_t b[6];
  if (stream.Read(b, 6) != 6) {
    Warning(gsWarning, _sOutOfData);
    return;
  }
  FRec.BlockSize = b[0];
  FRec.PackedFields = b[1];
  FRec.DelayTime = LE16(b + 2);
  FRec.TransparentColorIndex = b[4];
  FRec.Terminator = b[5];
  if (GetTransparent() && FSubImage) FSubImage->FTransparent = true;
}

void TGIFGraphicControlExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  std::uint8_t b[6] = {FRec.BlockSize, FRec.PackedFields, 0, 0, FRec.TransparentColorIndex,
                       FRec.Terminator};
  PutLE16(b + 2, FRec.DelayTime);
  stream.WriteBuffer(b, 6);
}

// --- text blocks -----------------------------------------------------------

void gifio::SkipSubBlocks(TStream& s) {
  std::uint8_t size;
  while (ReadByte(s, size) && size != 0) s.Seek(size, TSeekOrigin::soCurrent);
}

void gifio::ReadTextBlocks(TStream& s, TStrings& lines) {
  lines.Clear();
  std::uint8_t size;
  char buf[255];
  while (ReadByte(s, size) && size != 0) {
    ReadExact(s, buf, size);
    lines.Add(std::string(buf, size));
  }
}

void gifio::WriteTextBlocks(TStream& s, const TStrings& lines) {
  for (const std::string& line : lines) {
    for (std::size_t at = 0; at < line.size(); at += 255) {
      std::size_t n = std::min<std::size_t>(255, line.size() - at);
      WriteByte(s, static_cast<std::uint8_t>(n));
      s.WriteBuffer(line.data() + at, n);
    }
  }
  WriteByte(s, 0);
}

// --- plain text ------------------------------------------------------------

const TGIFExtensionClass* TGIFTextExtension::ClassInfo() {
  static const TGIFExtensionClass c{"TGIFTextExtension", &CreateExt<TGIFTextExtension>, &FindSelf};
  return &c;
}

int TGIFTextExtension::GetBounds(int index) const {
  switch (index) {
    case 1: return FRec.Left;
    case 2: return FRec.Top;
    case 3: return FRec.Width;
    case 4: return FRec.Height;
    default: return 0;
  }
}

void TGIFTextExtension::SetBounds(int index, int value) {
  auto v = static_cast<std::uint16_t>(value);
  switch (index) {
    case 1: FRec.Left = v; break;
    case 2: FRec.Top = v; break;
    case 3: FRec.Width = v; break;
    case 4: FRec.Height = v; break;
    default: break;
  }
}

int TGIFTextExtension::GetCharWidthHeight(int index) const {
  return index == 1 ? FRec.CellWidth : index == 2 ? FRec.CellHeight : 0;
}

void TGIFTextExtension::SetCharWidthHeight(int index, int value) {
  if (index == 1) FRec.CellWidth = static_cast<std::uint8_t>(value);
  if (index == 2) FRec.CellHeight = static_cast<std::uint8_t>(value);
}

int TGIFTextExtension::GetColorIndex(int index) const {
  return index == 1 ? FRec.TextFGColorIndex : index == 2 ? FRec.TextBGColorIndex : 0;
}

void TGIFTextExtension::SetColorIndex(int index, int value) {
  if (index == 1) FRec.TextFGColorIndex = static_cast<std::uint8_t>(value);
  if (index == 2) FRec.TextBGColorIndex = static_cast<std::uint8_t>(value);
}

TColor TGIFTextExtension::GetColor(int index) const {
  return FSubImage->GetActiveColorMap()->GetColor(GetColorIndex(index));
}

void TGIFTextExtension::SetColor(int index, TColor color) {
  SetColorIndex(index, FSubImage->GetActiveColorMap()->AddUnique(color));
}

void TGIFTextExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  std::uint8_t b[13];
  ReadExact(stream, b, 13);
  FRec.BlockSize = b[0];
  FRec.Left = LE16(b + 1);
  FRec.Top = LE16(b + 3);
  FRec.Width = LE16(b + 5);
  FRec.Height = LE16(b + 7);
  FRec.CellWidth = b[9];
  FRec.CellHeight = b[10];
  FRec.TextFGColorIndex = b[11];
  FRec.TextBGColorIndex = b[12];
  ReadTextBlocks(stream, FText);
}

void TGIFTextExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  std::uint8_t b[13] = {FRec.BlockSize};
  PutLE16(b + 1, FRec.Left);
  PutLE16(b + 3, FRec.Top);
  PutLE16(b + 5, FRec.Width);
  PutLE16(b + 7, FRec.Height);
  b[9] = FRec.CellWidth;
  b[10] = FRec.CellHeight;
  b[11] = FRec.TextFGColorIndex;
  b[12] = FRec.TextBGColorIndex;
  stream.WriteBuffer(b, 13);
  WriteTextBlocks(stream, FText);
}

// --- comment ---------------------------------------------------------------

const TGIFExtensionClass* TGIFCommentExtension::ClassInfo() {
  static const TGIFExtensionClass c{"TGIFCommentExtension", &CreateExt<TGIFCommentExtension>, &FindSelf};
  return &c;
}

void TGIFCommentExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  ReadTextBlocks(stream, FText);
}

void TGIFCommentExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteTextBlocks(stream, FText);
}

// --- application -----------------------------------------------------------

// Block size 10: an unknown application extension (its 10 bytes are read
// past); 11: the class registered for the 11 bytes, or the unknown one;
// anything else (or a short read): this class, position restored.
static const TGIFExtensionClass* FindApplicationSubExtension(TStream& stream) {
  std::int64_t pos = stream.Position();
  std::uint8_t size;
  std::uint8_t id[11];
  if (ReadByte(stream, size)) {
    if (size == 10 && stream.Read(id, 10) == 10) return TGIFUnknownAppExtension::ClassInfo();
    if (size == 11 && stream.Read(id, 11) == 11) {
      auto& list = AppExtensionList();
      for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (std::memcmp(it->id, id, 11) == 0) return it->cls;
      return TGIFUnknownAppExtension::ClassInfo();
    }
  }
  stream.SetPosition(pos);
  return TGIFApplicationExtension::ClassInfo();
}

const TGIFExtensionClass* TGIFApplicationExtension::ClassInfo() {
  static const TGIFExtensionClass c{"TGIFApplicationExtension", &CreateExt<TGIFApplicationExtension>,
                                    &FindApplicationSubExtension};
  return &c;
}

TGIFApplicationExtension::TGIFApplicationExtension(TGIFSubImage* subImage)
    : TGIFExtension(subImage) {}

std::string TGIFApplicationExtension::GetIdentifier() const {
  return std::string(reinterpret_cast<const char*>(FIdent), sizeof FIdent);
}

std::string TGIFApplicationExtension::GetAuthentication() const {
  return std::string(reinterpret_cast<const char*>(FAuthentication), sizeof FAuthentication);
}

void TGIFApplicationExtension::SetIdentifier(const std::string& s) {
  std::memset(FIdent, ' ', sizeof FIdent);
  std::memcpy(FIdent, s.data(), std::min(s.size(), sizeof FIdent));
}

void TGIFApplicationExtension::SetAuthentication(const std::string& s) {
  std::memset(FAuthentication, ' ', sizeof FAuthentication);
  std::memcpy(FAuthentication, s.data(), std::min(s.size(), sizeof FAuthentication));
}

void TGIFApplicationExtension::LoadFromStream(TStream& stream) {
  TGIFExtension::LoadFromStream(stream);
  std::uint8_t size;
  ReadExact(stream, &size, 1);
  if (size < 10) throw GIFException(_sBadBlockSize);
  if (size == 10) {
    std::memset(FIdent, 0, sizeof FIdent);
    std::memset(FAuthentication, 0, sizeof FAuthentication);
  }
  std::uint8_t id[11];
  ReadExact(stream, id, 11);
  std::memcpy(FIdent, id, 8);
  std::memcpy(FAuthentication, id + 8, 3);
  // Size 10 read one byte too many; sizes above 11 carry bytes we skip.
  if (size != 11) stream.Seek(static_cast<int>(size) - 11, TSeekOrigin::soCurrent);
  LoadData(stream);
}

void TGIFApplicationExtension::SaveToStream(TStream& stream) {
  TGIFExtension::SaveToStream(stream);
  WriteByte(stream, 11);
  stream.WriteBuffer(FIdent, sizeof FIdent);
  stream.WriteBuffer(FAuthentication, sizeof FAuthentication);
  SaveData(stream);
}

// The generic class knows no data layout: its sub-blocks are passed over.
void TGIFApplicationExtension::LoadData(TStream& stream) { SkipSubBlocks(stream); }

void TGIFApplicationExtension::SaveData(TStream& stream) { WriteByte(stream, 0); }

// --- unknown application ---------------------------------------------------

const TGIFExtensionClass* TGIFUnknownAppExtension::ClassInfo() {
  static const TGIFExtensionClass c{"TGIFUnknownAppExtension", &CreateExt<TGIFUnknownAppExtension>,
                                    &FindSelf};
  return &c;
}

TGIFUnknownAppExtension::~TGIFUnknownAppExtension() { ClearBlocks(); }

void TGIFUnknownAppExtension::ClearBlocks() {
  for (TGIFBlock* b : FBlocks) delete b;
  FBlocks.clear();
}

void TGIFUnknownAppExtension::LoadData(TStream& stream) {
  ClearBlocks();
  std::uint8_t size;
  while (ReadByte(stream, size) && size != 0) {
    auto block = std::make_unique<TGIFBlock>(size);
    block->LoadFromStream(stream);
    FBlocks.push_back(block.release());
  }
}

void TGIFUnknownAppExtension::SaveData(TStream& stream) {
  for (const TGIFBlock* b : FBlocks) b->SaveToStream(stream);
  WriteByte(stream, 0);
}

// --- loop ------------------------------------------------------------------

const TGIFExtensionClass* TGIFAppExtNSLoop::ClassInfo() {
  static const TGIFExtensionClass c{"TGIFAppExtNSLoop", &CreateExt<TGIFAppExtNSLoop>, &FindSelf};
  return &c;
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage) {
  SetIdentifier("NETSCAPE");
  SetAuthentication("2.0");
}

// Sub-blocks: [size][id & 7 = 1][loop count, 2 bytes] or
//             [size][id & 7 = 2][buffer size, 4 bytes]; others skipped.
void TGIFAppExtNSLoop::LoadData(TStream& stream) {
  constexpr int idLoop = 1, idBuffer = 2;
  std::uint8_t size, id, b[4];
  while (ReadByte(stream, size) && size != 0) {
    ReadExact(stream, &id, 1);
    int skip = size - 1;
    if ((id & 7) == idLoop) {
      if (size < 3) throw GIFException(_sInvalidData);
      ReadExact(stream, b, 2);
      FLoops = LE16(b);
      skip = size - 3;
    } else if ((id & 7) == idBuffer) {
      if (size < 5) throw GIFException(_sInvalidData);
      ReadExact(stream, b, 4);
      FBufferSize = static_cast<std::uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16)) |
                    (static_cast<std::uint32_t>(b[3]) << 24);
      skip = size - 5;
    }
    if (skip > 0) stream.Seek(skip, TSeekOrigin::soCurrent);
  }
}

void TGIFAppExtNSLoop::SaveData(TStream& stream) {
  std::uint8_t loop[4] = {3, 1, 0, 0};
  PutLE16(loop + 2, FLoops);
  stream.WriteBuffer(loop, 4);
  if (FBufferSize > 0) {
    std::uint8_t buf[6] = {5, 2, std::uint8_t(FBufferSize), std::uint8_t(FBufferSize >> 8),
                           std::uint8_t(FBufferSize >> 16), std::uint8_t(FBufferSize >> 24)};
    stream.WriteBuffer(buf, 6);
  }
  WriteByte(stream, 0);
}
