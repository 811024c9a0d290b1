// ZLBHost.h - the archive's name for the toolkit's host file layer
// (toolkit/base/HostFiles.h), kept for the archive's callers and tests.
#pragma once

#include "toolkit/base/HostFiles.h"

namespace zlbhost = hostfiles;
