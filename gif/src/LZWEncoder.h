// The LZW encoder of frame image data (private to the unit): greedy LZW over
// a fixed open-addressing hash table, a clear code whenever the first free
// code passes 4094, codes never wider than 12 bits.
#pragma once

#include "Encoder.h"

#include <cstdint>

// 8009 slots of 32 bits: (key << 12) | code, all ones when empty. The key is
// (prefix code << 8) | pixel (20 bits); the code has 12 bits. A key's path
// starts at (key xor key div 16) mod 8009 and goes on from slot s to
// s - (8009 - s), wrapped into the table (from slot 0 to slot 1).
//
// The step doubles the slot modulo the prime 8009, so a path visits at most
// 4005 distinct slots while the encoder may hold up to 4089 entries: a path
// can be full. Walks are bounded, and a path without an empty slot is
// reported (`Insert` answers false), never walked forever.
class THashTable {
public:
  static constexpr int kSlots = 8009;
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

  THashTable() { Clear(); }
  void Clear();

  // The code stored for `key`, or -1. `freeSlot` receives the first empty
  // slot of the path (-1 when the path holds none), where the key goes.
  int Find(std::uint32_t key, int& freeSlot) const {
    int slot = Hash(key);
    for (int steps = 0; steps < kSlots; ++steps) {
      const std::uint32_t entry = FSlots[slot];
      if (entry == kEmpty) {
        freeSlot = slot;
        return -1;
      }
      if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
      slot = NextSlot(slot);
    }
    freeSlot = -1;
    return -1;
  }
  int Lookup(std::uint32_t key) const {
    int freeSlot;
    return Find(key, freeSlot);
  }
  // Takes the first empty slot on the key's path; false when there is none.
  bool Insert(std::uint32_t key, int code);
  void Store(int slot, std::uint32_t key, int code) {
    FSlots[slot] = (key << 12) | static_cast<std::uint32_t>(code);
  }

  static int Hash(std::uint32_t key) { return static_cast<int>((key ^ (key >> 4)) % kSlots); }
  static int NextSlot(int slot) {
    if (slot == 0) return 1;
    int next = slot - (kSlots - slot);
    return next < 0 ? next + kSlots : next;
  }

private:
  std::uint32_t FSlots[kSlots];
};

class TLZWEncoder final : public TGIFEncoder {
protected:
  // Widens the codes once the first free code passes the largest code of
  // the current width (at most to 12 bits); after a clear, back to the
  // initial width.
  void EmitCode(int code) override;
  // Emits the clear code and empties the table.
  void ResetTable() override;
  void EncodePixels() override;

private:
  THashTable FHashTable;
};
