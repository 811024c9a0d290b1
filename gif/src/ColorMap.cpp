// Colour tables.
#include "gif/GIFImage.h"
#include "StreamIO.h"

using namespace GIFImageMessages;

void TGIFColorMap::SetCapacity(int n) {
  if (n <= FCapacity) return;
  int cap = n <= 16 ? 16 : ((n + 31) / 32) * 32;
  if (cap > 256) cap = 256;
  if (cap <= FCapacity) return;
  FColors.resize(static_cast<std::size_t>(cap));
  FCapacity = cap;
}

int TGIFColorMap::Add(TColor color) {
  if (FCount >= 256) throw GIFException(_sTooManyColors);
  if (FCount >= FCapacity) SetCapacity(FCount + 1);
  FColors[static_cast<std::size_t>(FCount)] = Color2RGB(color);
  ++FCount;
  FOptimized = false;
  Changed();
  return FCount - 1;
}

int TGIFColorMap::AddUnique(TColor color) {
  int i = IndexOf(color);
  return i >= 0 ? i : Add(color);
}

int TGIFColorMap::IndexOf(TColor color) const {
  TGIFColor c = Color2RGB(color);
  if (FOptimized) {
    for (int i = 0; i < FCount; ++i)
      if (FColors[static_cast<std::size_t>(i)] == c) return i;
  } else {
    for (int i = FCount - 1; i >= 0; --i)
      if (FColors[static_cast<std::size_t>(i)] == c) return i;
  }
  return -1;
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= FCount) throw GIFException(_sBadColorIndex);
  FColors.erase(FColors.begin() + index);
  FColors.push_back(TGIFColor());
  --FCount;
  Changed();
}

void TGIFColorMap::Clear() {
  FColors.clear();
  FCount = 0;
  FCapacity = 0;
  FOptimized = false;
  Changed();
}

TColor TGIFColorMap::GetColor(int index) {
  if (index >= 0 && index < FCount) return RGB2Color(FColors[static_cast<std::size_t>(index)]);
  Warning(gsWarning, _sBadColorIndex);
  if (FCount == 0) throw GIFException(_sEmptyColorMap);
  return RGB2Color(FColors[0]);
}

void TGIFColorMap::SetColor(int index, TColor color) {
  if (index < 0 || index >= FCount) throw GIFException(_sBadColorIndex);
  FColors[static_cast<std::size_t>(index)] = Color2RGB(color);
  Changed();
}

int TGIFColorMap::GetBitsPerPixel() const {
  if (FCount == 0) return 0;
  int b = 1;
  while ((1 << b) < FCount) ++b;
  return b;
}

TColor TGIFColorMap::RGB2Color(TGIFColor c) {
  return static_cast<TColor>((c.Red | (c.Green << 8) | (c.Blue << 16)) & 0xFFFFFF);
}

TGIFColor TGIFColorMap::Color2RGB(TColor c) {
  auto v = static_cast<std::uint32_t>(c);
  return TGIFColor{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                   static_cast<std::uint8_t>(v >> 16)};
}

void TGIFColorMap::ImportColorMap(const TGIFColor* colors, int count) {
  if (count > 256) count = 256;
  FColors.clear();
  FCapacity = 0;
  FCount = 0;
  SetCapacity(count);
  for (int i = 0; i < count; ++i) FColors[static_cast<std::size_t>(i)] = colors[i];
  FCount = count;
  Changed();
}

void TGIFColorMap::ImportPalette(const TPaletteHandle& palette) {
  std::vector<TGIFColor> c;
  if (palette)
    for (const TPaletteEntry& e : palette->Entries) c.push_back(TGIFColor{e.Red, e.Green, e.Blue});
  ImportColorMap(c.data(), static_cast<int>(c.size()));
}

void TGIFColorMap::ImportColorTable(const void* quads, int count) {
  const auto* q = static_cast<const std::uint8_t*>(quads);
  std::vector<TGIFColor> c;
  for (int i = 0; i < count && i < 256; ++i)
    c.push_back(TGIFColor{q[i * 4 + 2], q[i * 4 + 1], q[i * 4]});
  ImportColorMap(c.data(), static_cast<int>(c.size()));
}

TPaletteHandle TGIFColorMap::ExportPalette() const {
  if (FCount == 0) return {};
  auto p = std::make_shared<TPaletteData>();
  for (int i = 0; i < FCount; ++i) {
    const TGIFColor& c = FColors[static_cast<std::size_t>(i)];
    p->Entries.push_back(TPaletteEntry{c.Red, c.Green, c.Blue, 4});
  }
  return p;
}

void TGIFColorMap::Assign(const TPersistent* source) {
  if (auto m = dynamic_cast<const TGIFColorMap*>(source)) {
    if (m == this) return;
    FColors = m->FColors;
    FCount = m->FCount;
    FCapacity = m->FCapacity;
    FOptimized = m->FOptimized;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TGIFColorMap::LoadFromStream(TStream& stream, int count) {
  std::uint8_t raw[256 * 3];
  gifio::ReadExact(stream, raw, static_cast<std::size_t>(count) * 3);
  FColors.clear();
  FCapacity = 0;
  FCount = 0;
  SetCapacity(count);
  for (int i = 0; i < count; ++i)
    FColors[static_cast<std::size_t>(i)] = TGIFColor{raw[i * 3], raw[i * 3 + 1], raw[i * 3 + 2]};
  FCount = count;
  FOptimized = false;
  Changed();
}

void TGIFColorMap::SaveToStream(TStream& stream) const {
  if (FCount == 0) return;
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(3) << GetBitsPerPixel(), 0);
  for (int i = 0; i < FCount; ++i) {
    const TGIFColor& c = FColors[static_cast<std::size_t>(i)];
    raw[static_cast<std::size_t>(i) * 3] = c.Red;
    raw[static_cast<std::size_t>(i) * 3 + 1] = c.Green;
    raw[static_cast<std::size_t>(i) * 3 + 2] = c.Blue;
  }
  stream.WriteBuffer(raw.data(), raw.size());
}

// --- global and local tables -----------------------------------------------

void TGIFGlobalColorMap::Warning(TGIFSeverity severity, const std::string& message) {
  FHeader->Warning(severity, message);
}

// Sorting by use belongs with image optimisation; until then the table is
// left as it is.
bool TGIFGlobalColorMap::Optimize() { return false; }

void TGIFGlobalColorMap::Changed() {
  if (TGIFImage* image = FHeader->Image()) image->SetPalette({});
}

void TGIFLocalColorMap::Warning(TGIFSeverity severity, const std::string& message) {
  FSubImage->Warning(severity, message);
}

bool TGIFLocalColorMap::Optimize() { return false; }

void TGIFLocalColorMap::Changed() { FSubImage->SetPalette({}); }
