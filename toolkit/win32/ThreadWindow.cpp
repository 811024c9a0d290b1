// The synchronisation window: a hidden window of class "TThreadWindow" owned
// by the main thread, alive while thread objects exist. A worker that waits
// in Synchronize posts it 0x8FFF, so whatever loop the main thread is in
// (the application's, a modal form's, a message box's) runs the waiting
// calls. When the last thread object goes on another thread, 0x8FFE asks
// the main thread to destroy the window.
#include <windows.h>

#include <mutex>

#include "toolkit/base/Thread.h"
#include "toolkit/base/ThreadPlatform.h"

namespace {

constexpr UINT kReleaseWindow = 0x8FFE;
constexpr UINT kRunSynchronized = 0x8FFF;
const char* const kThreadWindowClass = "TThreadWindow";

std::mutex gWindowLock;
HWND gWindow = nullptr;
int gThreadCount = 0;

void DestroyIfUnused(HWND hwnd) {
  std::lock_guard<std::mutex> lock(gWindowLock);
  if (gThreadCount == 0 && gWindow == hwnd) {
    gWindow = nullptr;
    DestroyWindow(hwnd);
  }
}

LRESULT CALLBACK ThreadWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kRunSynchronized) {
    CheckSynchronize();  // errors go back to the workers
    return 0;
  }
  if (msg == kReleaseWindow) {
    DestroyIfUnused(hwnd);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND CreateThreadWindow() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, kThreadWindowClass, &wc)) {
    wc.lpfnWndProc = ThreadWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kThreadWindowClass;
    if (!RegisterClassA(&wc)) return nullptr;
  }
  // A plain hidden top-level window (not message-only), so FindWindow finds it.
  return CreateWindowExA(WS_EX_TOOLWINDOW, kThreadWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         instance, nullptr);
}

int PlatformPriority(TThreadPriority p) {
  static const int values[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                               THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                               THREAD_PRIORITY_TIME_CRITICAL};
  return values[p];
}

}  // namespace

namespace threadplatform {

void ThreadCreated() {
  std::lock_guard<std::mutex> lock(gWindowLock);
  gThreadCount++;
  if (!gWindow && InMainThread()) gWindow = CreateThreadWindow();
}

void ThreadDestroyed() {
  std::lock_guard<std::mutex> lock(gWindowLock);
  if (--gThreadCount > 0 || !gWindow) return;
  if (InMainThread()) {
    DestroyWindow(gWindow);
    gWindow = nullptr;
  } else {
    PostMessageA(gWindow, kReleaseWindow, 0, 0);
  }
}

void WakeMainThread() {
  std::lock_guard<std::mutex> lock(gWindowLock);
  if (gWindow) PostMessageA(gWindow, kRunSynchronized, 0, 0);
}

void* OpenCurrentThread() {
  HANDLE handle = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &handle, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  return handle;
}

void CloseThread(void* handle) {
  if (handle) CloseHandle(static_cast<HANDLE>(handle));
}

void SetPriority(void* handle, TThreadPriority priority) {
  SetThreadPriority(static_cast<HANDLE>(handle), PlatformPriority(priority));
}

}  // namespace threadplatform
