#include "toolkit/base/Screen.h"

int ScreenColorDepth() { return 24; }
