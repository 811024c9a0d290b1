// Threads of the toolkit and synchronised calls into the main thread.
//
// A TThread is created suspended; Start (or Resume) runs Execute on a new
// thread. A worker reaches windows and other main-thread state only through
// Synchronize, which runs a method on the main thread and returns once it
// has run. The main thread runs waiting calls in CheckSynchronize: on
// Windows the application's message loop, every modal loop and message box
// does so through the hidden window of class "TThreadWindow" (messages
// 0x8FFE and 0x8FFF); elsewhere the program calls CheckSynchronize itself.
// WaitFor and the destructor keep running waiting calls while the main
// thread waits, so a worker blocked in Synchronize can always finish.
#pragma once

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "toolkit/base/Classes.h"

class EThread : public Exception { using Exception::Exception; };

// "Cannot call Start on a running or suspended thread"
extern const char* const SThreadStartError;
// "Thread cannot wait for itself"
extern const char* const SThreadWaitSelf;
// "Cannot wait for a thread that was never started"
extern const char* const SThreadWaitUnstarted;

using TThreadMethod = std::function<void()>;

// The thread that runs the program's start-up and its windows.
bool InMainThread();

// Runs the synchronised calls that are waiting, in the order they came, on
// the main thread; true when at least one ran. Elsewhere it does nothing
// and returns false. A call that raises gives its error back to the worker
// that made it.
bool CheckSynchronize();

class TThread : public TObject {
public:
  TThread();
  // Ends a thread still running (EndThread). A class whose Execute uses its
  // own fields calls EndThread in its own destructor, since they go first.
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  const char* ClassName() const override { return "TThread"; }

  // Starts a thread created suspended; raises EThread
  // SThreadStartError when it was started before.
  void Start();
  // Undoes one Suspend; the first Resume of a thread created suspended
  // starts it.
  void Resume();
  // Called by the thread itself, it stops there until resumed. Called from
  // another thread, the thread stops at its next Synchronize (a safe point:
  // it holds no lock of the program then) until resumed.
  void Suspend();
  bool Suspended() const;

  // Asks Execute to end; Execute looks at Terminated.
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  bool Finished() const { return FFinished; }

  // Waits until Execute and OnTerminate have run and returns ReturnValue.
  // On the main thread it keeps running synchronised calls meanwhile.
  // Raises EThread SThreadWaitSelf inside the thread itself and
  // SThreadWaitUnstarted for a thread never started.
  int WaitFor();

  // The object deletes itself once Execute and OnTerminate have run; it
  // must then not be touched (nor waited for) after Start.
  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool v) { FFreeOnTerminate = v; }

  // Applied on Windows; kept but without effect elsewhere.
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority p);

  // The error that ended Execute (or OnTerminate), if any; the owner may
  // raise it again.
  std::exception_ptr FatalException() const { return FFatalException; }
  void RaiseFatalException() const {
    if (FFatalException) std::rethrow_exception(FFatalException);
  }
  int ReturnValue() const { return FReturnValue; }

  // Runs method on the main thread and returns when it has run; on the
  // main thread it runs at once. An error raised by method is raised again
  // here. Also the point where a Suspend from another thread takes hold.
  void Synchronize(const TThreadMethod& method);
  // The same for a caller without a thread object (no suspension point).
  static void Synchronize(TThread* thread, const TThreadMethod& method);

  // Runs on the main thread (through Synchronize) after Execute.
  TNotifyEvent OnTerminate;

protected:
  virtual void Execute() = 0;
  // Asks a started, unfinished thread to terminate, lifts any suspension
  // and waits for it (see WaitFor). Does nothing inside the thread itself.
  void EndThread();
  void SetReturnValue(int v) { FReturnValue = v; }

private:
  void Launch();
  void Run();
  void WaitWhileSuspended();

  mutable std::mutex FLock;
  std::condition_variable FStateChanged;
  std::thread FThread;
  bool FStarted = false;
  int FSuspendCount = 1;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  bool FFreeOnTerminate = false;
  TThreadPriority FPriority = tpNormal;
  void* FHandle = nullptr;  // the platform's handle of the running thread
  std::exception_ptr FFatalException;
  int FReturnValue = 0;
};
