#include "toolkit/base/Thread.h"

#include <chrono>
#include <deque>

#include "toolkit/base/ThreadPlatform.h"

const char* const SThreadStartError = "Cannot call Start on a running or suspended thread";
const char* const SThreadWaitSelf = "Thread cannot wait for itself";
const char* const SThreadWaitUnstarted = "Cannot wait for a thread that was never started";

namespace {

// Static initialisation runs on the thread that starts the program.
const std::thread::id gMainThread = std::this_thread::get_id();

// One waiting synchronised call; lives on the stack of the worker.
struct TSyncRequest {
  const TThreadMethod* Method;
  std::exception_ptr Error;
  bool Done = false;
};

// The queue of waiting calls. Signal wakes the main thread when a call
// comes or a thread ends, and a worker when its call has run.
std::mutex gSyncLock;
std::condition_variable gSyncSignal;
std::deque<TSyncRequest*> gSyncQueue;

void SignalMainThread() {
  std::lock_guard<std::mutex> lock(gSyncLock);
  gSyncSignal.notify_all();
}

}  // namespace

bool InMainThread() { return std::this_thread::get_id() == gMainThread; }

bool CheckSynchronize() {
  if (!InMainThread()) return false;
  bool ran = false;
  // One at a time: a call that opens a modal loop lets the next ones run
  // from there.
  for (;;) {
    TSyncRequest* request;
    {
      std::lock_guard<std::mutex> lock(gSyncLock);
      if (gSyncQueue.empty()) return ran;
      request = gSyncQueue.front();
      gSyncQueue.pop_front();
    }
    try {
      (*request->Method)();
    } catch (...) {
      request->Error = std::current_exception();
    }
    ran = true;
    std::lock_guard<std::mutex> lock(gSyncLock);
    request->Done = true;
    gSyncSignal.notify_all();
  }
}

void TThread::Synchronize(TThread*, const TThreadMethod& method) {
  if (InMainThread()) {
    method();
    return;
  }
  TSyncRequest request{&method, nullptr};
  {
    std::unique_lock<std::mutex> lock(gSyncLock);
    gSyncQueue.push_back(&request);
    gSyncSignal.notify_all();
  }
  threadplatform::WakeMainThread();
  {
    std::unique_lock<std::mutex> lock(gSyncLock);
    gSyncSignal.wait(lock, [&] { return request.Done; });
  }
  if (request.Error) std::rethrow_exception(request.Error);
}

void TThread::Synchronize(const TThreadMethod& method) {
  WaitWhileSuspended();
  Synchronize(this, method);
}

// --- TThread -------------------------------------------------------------------

TThread::TThread() { threadplatform::ThreadCreated(); }

TThread::~TThread() {
  if (FThread.joinable() && FThread.get_id() == std::this_thread::get_id())
    FThread.detach();  // freeing itself at its end
  else
    EndThread();
  threadplatform::CloseThread(FHandle);
  threadplatform::ThreadDestroyed();
}

void TThread::EndThread() {
  if (!FThread.joinable() || FThread.get_id() == std::this_thread::get_id()) return;
  Terminate();
  {
    std::lock_guard<std::mutex> lock(FLock);
    FSuspendCount = 0;
    FStateChanged.notify_all();
  }
  WaitFor();
}

void TThread::Launch() {
  FStarted = true;
  FSuspendCount = 0;
  FThread = std::thread([this] { Run(); });
}

void TThread::Start() {
  std::lock_guard<std::mutex> lock(FLock);
  if (FStarted) throw EThread(SThreadStartError);
  Launch();
}

void TThread::Resume() {
  std::lock_guard<std::mutex> lock(FLock);
  if (FSuspendCount == 0 || --FSuspendCount > 0) return;
  if (!FStarted) {
    FSuspendCount = 1;
    Launch();
  } else {
    FStateChanged.notify_all();
  }
}

void TThread::Suspend() {
  bool self;
  {
    std::lock_guard<std::mutex> lock(FLock);
    FSuspendCount++;
    self = FStarted && FThread.get_id() == std::this_thread::get_id();
  }
  if (self) WaitWhileSuspended();
}

bool TThread::Suspended() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FSuspendCount > 0;
}

void TThread::WaitWhileSuspended() {
  std::unique_lock<std::mutex> lock(FLock);
  FStateChanged.wait(lock, [this] { return FSuspendCount == 0; });
}

TThreadPriority TThread::Priority() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FPriority;
}

void TThread::SetPriority(TThreadPriority p) {
  std::lock_guard<std::mutex> lock(FLock);
  FPriority = p;
  if (FHandle) threadplatform::SetPriority(FHandle, p);
}

void TThread::Run() {
  {
    // Launch holds the lock until FThread is set, so it is set from here on.
    std::lock_guard<std::mutex> lock(FLock);
    FHandle = threadplatform::OpenCurrentThread();
    if (FHandle && FPriority != tpNormal) threadplatform::SetPriority(FHandle, FPriority);
  }
  try {
    if (!FTerminated) Execute();
  } catch (...) {
    FFatalException = std::current_exception();
  }
  try {
    if (OnTerminate) Synchronize(this, [this] { OnTerminate(this); });
  } catch (...) {
    if (!FFatalException) FFatalException = std::current_exception();
  }
  bool freeSelf = FFreeOnTerminate;
  {
    std::lock_guard<std::mutex> lock(FLock);
    FFinished = true;
    FStateChanged.notify_all();
  }
  if (freeSelf) {
    delete this;
    return;
  }
  // Waking a main thread inside WaitFor touches no member any more: the
  // owner may free the object as soon as it sees Finished.
  SignalMainThread();
}

int TThread::WaitFor() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FStarted) throw EThread(SThreadWaitUnstarted);
  }
  if (FThread.get_id() == std::this_thread::get_id()) throw EThread(SThreadWaitSelf);
  if (InMainThread()) {
    // A worker may be blocked in Synchronize: keep serving it.
    while (!FFinished) {
      CheckSynchronize();
      std::unique_lock<std::mutex> lock(gSyncLock);
      gSyncSignal.wait_for(lock, std::chrono::milliseconds(50),
                           [this] { return FFinished || !gSyncQueue.empty(); });
    }
  } else {
    std::unique_lock<std::mutex> lock(FLock);
    FStateChanged.wait(lock, [this] { return FFinished.load(); });
  }
  if (FThread.joinable()) FThread.join();
  return FReturnValue;
}
