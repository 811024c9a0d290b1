// Threads without a window system: the main thread drains the queue with
// CheckSynchronize, and priorities are kept but not applied.
#include "toolkit/base/ThreadPlatform.h"

namespace threadplatform {

void ThreadCreated() {}
void ThreadDestroyed() {}
void WakeMainThread() {}
void* OpenCurrentThread() { return nullptr; }
void CloseThread(void*) {}
void SetPriority(void*, TThreadPriority) {}

}  // namespace threadplatform
