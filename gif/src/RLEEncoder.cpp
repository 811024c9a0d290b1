#include "RLEEncoder.h"

// --- arithmetic ------------------------------------------------------------

std::uint64_t TRLEEncoder::ISqrt(std::uint64_t n) {
  if (n < 2) return n;
  int bits = 0;
  for (std::uint64_t v = n; v != 0; v >>= 1) ++bits;
  std::uint64_t x = std::uint64_t(1) << ((bits + 1) / 2);  // at least sqrt(n)
  for (;;) {
    std::uint64_t y = (x + n / x) / 2;
    if (y >= x) return x;  // the estimate repeats or rises
    x = y;
  }
}

std::int64_t TRLEEncoder::Cost(std::int64_t n, std::int64_t capacity) {
  const std::int64_t perClear = capacity * (capacity + 1) / 2;
  std::int64_t cost = capacity * (n / perClear);
  const std::int64_t r = n % perClear;
  if (r > 0) {
    auto k = static_cast<std::int64_t>(ISqrt(static_cast<std::uint64_t>(2 * r)));
    while (k * (k + 1) < 2 * r) ++k;
    cost += k;
  }
  return cost;
}

// --- codes and limits ------------------------------------------------------

void TRLEEncoder::ResetTable() {
  TGIFEncoder::ResetTable();
  FClearPending = false;
  FWidth = FInitialWidth;
  FGrowthLimit = FGrowthLimitStart;
  FClearLimit = FLifted > 0 ? FMaxCodes : FClearLimitStart;
  FCount = 0;
  FMaxRun = 0;
  FJustCleared = true;
}

// After the decoder reads its k-th code since a clear, its next free code is
// clear + 1 + k; it widens the codes when that reaches 2^width, which is when
// k reaches the growth limit.
void TRLEEncoder::Output(int code) {
  EmitCode(code);
  FJustCleared = false;
  ++FCount;
  if (FCount >= FGrowthLimit) {
    FGrowthLimit += 1 << FWidth;
    ++FWidth;
  }
  if (FCount >= FClearLimit) ResetTable();
}

void TRLEEncoder::LiftClearLimit() {
  ++FLifted;
  FClearLimit = FMaxCodes;
}

void TRLEEncoder::RestoreClearLimit() {
  if (--FLifted > 0) return;
  FClearLimit = FClearLimitStart;
  if (FCount >= FClearLimit) ResetTable();
}

// --- runs ------------------------------------------------------------------

// Codes for runs of 1, 2, 3, ... pixels, each adding the next longer run to
// the decoder's table, until fewer pixels remain than the next run needs;
// those go out as one code the table already holds (or the pixel), which
// makes the table one run longer.
void TRLEEncoder::FlushFromClear(int pixel, std::int64_t n) {
  LiftClearLimit();
  FTablePixel = pixel;
  std::int64_t k = 1;
  while (n > 0) {
    if (k == 1) {
      FMaxRun = 1;
      Output(pixel);
      n -= 1;
    } else if (n >= k) {
      FMaxRun = k;
      Output(RunCode(k));
      n -= k;
    } else {
      ++FMaxRun;
      Output(n == 1 ? pixel : RunCode(n));
      break;
    }
    k = FCount == 0 ? 1 : k + 1;  // a clear starts the runs over
  }
  RestoreClearLimit();
}

// The cheapest of: the pixel n times, the codes of the table's longest run
// (when the table was built for this pixel), or a clear and runs from it.
void TRLEEncoder::FlushRun(int pixel, std::int64_t n) {
  if (n == 1) {
    Output(pixel);
    return;
  }
  if (FJustCleared) {
    FlushFromClear(pixel, n);
    return;
  }
  const std::int64_t fromClear = 1 + Cost(n, FMaxCodes);
  if (FTablePixel != pixel || FMaxRun < 2) {
    if (fromClear < n) {
      ResetTable();
      FlushFromClear(pixel, n);
    } else {
      for (std::int64_t i = 0; i < n; ++i) Output(pixel);
    }
    return;
  }
  const std::int64_t m = FMaxRun;
  std::int64_t repeats = n / m;
  std::int64_t leftover = n % m;
  std::int64_t total = repeats + (leftover > 0 ? 1 : 0);
  if (FCount + total > FMaxCodes) {
    // The table fills up first: a clear comes after the repeats that fit.
    repeats = FMaxCodes - FCount;
    leftover = n - repeats * m;
    total = repeats + 1 + Cost(leftover, FMaxCodes);
  }
  if (fromClear < total) {
    ResetTable();
    FlushFromClear(pixel, n);
    return;
  }
  LiftClearLimit();
  for (std::int64_t i = 0; i < repeats; ++i) Output(RunCode(m));
  if (leftover > 0) {
    if (FJustCleared)
      FlushFromClear(pixel, leftover);
    else if (leftover == 1)
      Output(pixel);
    else
      Output(RunCode(leftover));
  }
  RestoreClearLimit();
}

void TRLEEncoder::EncodePixels() {
  FGrowthLimitStart = FClearCode - 1;
  FClearLimitStart = FInitialCodeSize <= 3 ? 9 : FClearCode - 2;
  FMaxCodes = kMaxCode - (FClearCode + 2);
  FLifted = 0;
  FTablePixel = -1;
  ResetTable();

  const std::uint8_t* p = nullptr;
  std::size_t n = NextSpan(p);
  FRunPixel = *p++;
  CheckPixel(FRunPixel);
  FRunLength = 1;
  --n;
  const int colors = FColors;
  do {
    for (; n > 0; --n) {
      const int c = *p++;
      if (c == FRunPixel) {
        ++FRunLength;
        continue;
      }
      if (c >= colors) CheckPixel(c);
      FlushRun(FRunPixel, FRunLength);
      FRunPixel = c;
      FRunLength = 1;
    }
    n = NextSpan(p);
  } while (n > 0);
  FlushRun(FRunPixel, FRunLength);
}
