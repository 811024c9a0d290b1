// What threads need from the platform: on Windows the synchronisation
// window (toolkit/win32/ThreadWindow.cpp), elsewhere nothing
// (ThreadPortable.cpp). Private to the toolkit.
#pragma once

#include "toolkit/base/Classes.h"

namespace threadplatform {

// A thread object was made or freed (on any thread).
void ThreadCreated();
void ThreadDestroyed();
// A synchronised call waits for the main thread.
void WakeMainThread();
// The running thread's own handle, for priority changes; closed by Close.
void* OpenCurrentThread();
void CloseThread(void* handle);
void SetPriority(void* handle, TThreadPriority priority);

}  // namespace threadplatform
