// The run-length encoder of frame image data (private to the unit). Its
// output is an ordinary LZW code stream that never compresses across
// different colours: it relies on the decoder adding one table entry per
// code, so that after a clear the codes
//
//   pixel, base, base + 1, base + 2, ...        (base = clear code + 2)
//
// stand for runs of 1, 2, 3, 4, ... pixels of one colour, and the code
// base + k - 2 stands for a run of k once the table holds it. The code
// width follows the decoder's by counting the codes sent since the last
// clear.
#pragma once

#include "Encoder.h"

#include <cstdint>

class TRLEEncoder final : public TGIFEncoder {
public:
  // Newton iteration from a power of two: floor(sqrt(n)).
  static std::uint64_t ISqrt(std::uint64_t n);
  // The codes a run of n pixels takes from a clear, at most `capacity`
  // codes per clear: `capacity` for every capacity (capacity + 1) / 2
  // pixels, and for the remainder r the smallest k with k (k + 1) >= 2 r.
  static std::int64_t Cost(std::int64_t n, std::int64_t capacity);

protected:
  // Emits the clear code; width, limits and the run table start over.
  void ResetTable() override;
  void EncodePixels() override;

private:
  // Sends one code and follows the decoder: the width grows when the count
  // of codes reaches the growth limit; a clear is forced when it reaches
  // the forced-clear limit.
  void Output(int code);
  void FlushRun(int pixel, std::int64_t n);
  void FlushFromClear(int pixel, std::int64_t n);
  // While a run is flushed, the forced-clear limit is the largest number
  // of codes between clears (also across a clear inside the run).
  void LiftClearLimit();
  void RestoreClearLimit();
  int RunCode(std::int64_t length) const { return FClearCode + static_cast<int>(length); }

  int FRunPixel = 0;
  std::int64_t FRunLength = 0;
  int FTablePixel = -1;        // the pixel the run codes were built for
  std::int64_t FMaxRun = 0;    // the longest run the table expresses
  int FCount = 0;              // codes sent since the last clear
  int FGrowthLimit = 0;
  int FClearLimit = 0;
  int FGrowthLimitStart = 0;
  int FClearLimitStart = 0;
  int FMaxCodes = 0;           // the most codes between two clears
  int FLifted = 0;
  bool FJustCleared = false;
};
