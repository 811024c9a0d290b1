#include <windows.h>

#include "toolkit/base/Colors.h"

TColor SystemColorRGB(int index) {
  if (index < 0 || index >= SystemColorCount) return clBlack;
  return static_cast<TColor>(GetSysColor(index) & 0xFFFFFF);
}
