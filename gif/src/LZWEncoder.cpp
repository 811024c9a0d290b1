#include "LZWEncoder.h"

#include <cstring>

// --- THashTable ------------------------------------------------------------

void THashTable::Clear() { std::memset(FSlots, 0xFF, sizeof FSlots); }

bool THashTable::Insert(std::uint32_t key, int code) {
  int slot = -1;  // stays -1 when the key is already there
  Find(key, slot);
  if (slot < 0) return false;
  Store(slot, key, code);
  return true;
}

// --- TLZWEncoder -----------------------------------------------------------

void TLZWEncoder::EmitCode(int code) {
  PutCode(code);
  if (FClearPending) {
    FWidth = FInitialWidth;
    FMaxCodeOfWidth = (1 << FWidth) - 1;
    FClearPending = false;
  } else if (FFirstFree > FMaxCodeOfWidth) {
    ++FWidth;
    // At 12 bits the first free code never passes this, so the width stays.
    FMaxCodeOfWidth = FWidth >= kMaxCodeWidth ? kMaxCode + 1 : (1 << FWidth) - 1;
  }
}

void TLZWEncoder::ResetTable() {
  TGIFEncoder::ResetTable();
  FHashTable.Clear();
  FFirstFree = FClearCode + 2;
}

// Greedy LZW: the prefix grows while prefix + pixel is in the table. A new
// string takes the first free code, up to 4094; then (or when its hash path
// is full) the table is cleared instead.
void TLZWEncoder::EncodePixels() {
  ResetTable();
  const std::uint8_t* p = nullptr;
  std::size_t n = NextSpan(p);
  int prefix = *p++;
  CheckPixel(prefix);
  --n;
  const int colors = FColors;
  do {
    for (; n > 0; --n) {
      const int c = *p++;
      if (c >= colors) CheckPixel(c);
      const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(c);
      int slot;
      const int code = FHashTable.Find(key, slot);
      if (code >= 0) {
        prefix = code;
        continue;
      }
      EmitCode(prefix);
      prefix = c;
      if (FFirstFree > kMaxCode - 1 || slot < 0)
        ResetTable();
      else
        FHashTable.Store(slot, key, FFirstFree++);
    }
    n = NextSpan(p);
  } while (n > 0);
  EmitCode(prefix);
}
