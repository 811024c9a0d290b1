#include "toolkit/base/Screen.h"

#include <windows.h>

int ScreenColorDepth() {
  HDC dc = GetDC(nullptr);
  if (!dc) return 24;
  int depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(nullptr, dc);
  return depth;
}
