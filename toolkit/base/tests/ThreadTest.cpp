// Threads and synchronised calls, with the main thread draining the queue
// itself (natively; under Wine the synchronisation window is there too but
// nothing pumps it here).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <new>
#include <stdexcept>

#include "toolkit/base/Thread.h"

namespace {

using namespace std::chrono_literals;

// Runs synchronised calls until pred holds; false after 20 s.
template <class P>
bool PumpUntil(P pred) {
  auto end = std::chrono::steady_clock::now() + 20s;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (!CheckSynchronize()) std::this_thread::sleep_for(1ms);
  }
  return true;
}

// A thread whose Execute is a function.
class TFuncThread : public TThread {
public:
  explicit TFuncThread(std::function<void(TFuncThread&)> body) : FBody(std::move(body)) {}
  ~TFuncThread() override {
    EndThread();  // FBody goes before the base destructor runs
    if (Destroyed) *Destroyed = true;
  }
  using TThread::SetReturnValue;
  std::atomic<bool>* Destroyed = nullptr;

protected:
  void Execute() override { FBody(*this); }

private:
  std::function<void(TFuncThread&)> FBody;
};

TEST(Thread, ManyWorkersSynchronizeAtOnce) {
  constexpr int kWorkers = 12, kCalls = 200;
  int total = 0;  // touched only on the main thread
  std::atomic<int> offMain{0};
  std::vector<std::unique_ptr<TFuncThread>> workers;
  for (int i = 0; i < kWorkers; i++) {
    workers.push_back(std::make_unique<TFuncThread>([&](TFuncThread& t) {
      for (int n = 0; n < kCalls; n++)
        t.Synchronize([&] {
          if (!InMainThread()) offMain++;
          total++;
        });
    }));
  }
  for (auto& w : workers) w->Start();
  for (auto& w : workers) w->WaitFor();
  EXPECT_EQ(total, kWorkers * kCalls);
  EXPECT_EQ(offMain, 0);
  EXPECT_FALSE(CheckSynchronize());  // nothing left behind
}

TEST(Thread, CreatedSuspendedStartsOnce) {
  std::atomic<int> runs{0};
  TFuncThread a([&](TFuncThread&) { runs++; });
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(a.Suspended());
  a.Start();
  a.WaitFor();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(a.Suspended());
  try {
    a.Start();
    ADD_FAILURE() << "started twice";
  } catch (const EThread& e) {
    EXPECT_EQ(e.Message, "Cannot call Start on a running or suspended thread");
  }
  TFuncThread b([&](TFuncThread&) { runs++; });
  b.Resume();  // the first Resume starts it too
  b.WaitFor();
  EXPECT_EQ(runs, 2);

  TFuncThread never([](TFuncThread&) {});
  EXPECT_THROW(never.WaitFor(), EThread);
}

TEST(Thread, TerminateWaitForAndOnTerminate) {
  std::atomic<bool> running{false};
  TFuncThread t([&](TFuncThread& self) {
    running = true;
    int spins = 0;
    while (!self.Terminated()) {
      std::this_thread::sleep_for(1ms);
      spins++;
    }
    self.SetReturnValue(spins > 0 ? 7 : -1);
  });
  bool onMain = false;
  int terminations = 0;
  t.OnTerminate = [&](TObject* sender) {
    onMain = InMainThread();
    terminations += sender == &t;
  };
  t.SetPriority(tpLower);
  t.Start();
  ASSERT_TRUE(PumpUntil([&] { return running.load(); }));
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(t.Finished());
  t.Terminate();
  EXPECT_EQ(t.WaitFor(), 7);  // OnTerminate has run by now, through the queue
  EXPECT_TRUE(t.Finished());
  EXPECT_EQ(terminations, 1);
  EXPECT_TRUE(onMain);
  EXPECT_EQ(t.Priority(), tpLower);
}

TEST(Thread, DestructorEndsARunningOrSuspendedThread) {
  std::atomic<int> calls{0};
  auto body = [&](TFuncThread& self) {
    while (!self.Terminated()) self.Synchronize([&] { calls++; });
  };
  auto running = std::make_unique<TFuncThread>(body);
  running->Start();
  ASSERT_TRUE(PumpUntil([&] { return calls > 3; }));
  running.reset();  // serves its last Synchronize while waiting

  auto paused = std::make_unique<TFuncThread>(body);
  paused->Start();
  paused->Suspend();
  paused.reset();
  SUCCEED();
}

TEST(Thread, SuspendTakesHoldAtTheNextSynchronize) {
  std::atomic<int> calls{0};
  TFuncThread t([&](TFuncThread& self) {
    while (!self.Terminated()) self.Synchronize([&] { calls++; });
  });
  t.Start();
  ASSERT_TRUE(PumpUntil([&] { return calls > 0; }));
  t.Suspend();
  EXPECT_TRUE(t.Suspended());
  // At most the call already queued runs; then the worker stands.
  for (int i = 0; i < 20; i++) {
    CheckSynchronize();
    std::this_thread::sleep_for(2ms);
  }
  int frozen = calls;
  for (int i = 0; i < 20; i++) {
    CheckSynchronize();
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_EQ(calls, frozen);
  t.Resume();
  EXPECT_TRUE(PumpUntil([&] { return calls > frozen; }));
  t.Terminate();
  t.WaitFor();
}

TEST(Thread, SuspendedByItselfUntilResumed) {
  std::atomic<bool> after{false};
  TFuncThread t([&](TFuncThread& self) {
    self.Suspend();
    after = true;
  });
  t.Start();
  ASSERT_TRUE(PumpUntil([&] { return t.Suspended(); }));
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(after);
  t.Resume();
  t.WaitFor();
  EXPECT_TRUE(after);
}

TEST(Thread, FreesItselfAtItsEnd) {
  std::atomic<bool> destroyed{false};
  bool terminated = false;
  auto* t = new TFuncThread([](TFuncThread& self) { self.Synchronize([] {}); });
  t->Destroyed = &destroyed;
  t->OnTerminate = [&](TObject*) { terminated = true; };
  t->SetFreeOnTerminate(true);
  t->Start();
  EXPECT_TRUE(PumpUntil([&] { return destroyed.load(); }));
  EXPECT_TRUE(terminated);
}

// The error that ends Execute is kept, with its type and text, for the owner.
TEST(Thread, ErrorOutOfExecuteIsKept) {
  struct Case {
    const char* name;
    std::function<void(TFuncThread&)> body;
    bool threadError;  // EThread rather than the stream error
  };
  auto expectRead = [](const std::exception_ptr& e) {
    try {
      std::rethrow_exception(e);
    } catch (const EReadError& r) {
      return r.Message;
    } catch (...) {
    }
    return std::string("other");
  };
  const Case cases[] = {
      {"raised in Execute", [](TFuncThread&) { throw EReadError("Stream read error"); }, false},
      {"raised by a synchronised call", [](TFuncThread& t) {
         t.Synchronize([] { throw EReadError("Stream read error"); });
         throw std::logic_error("not reached");
       }, false},
      {"waiting for itself", [](TFuncThread& t) { t.WaitFor(); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFuncThread t(c.body);
    t.Start();
    t.WaitFor();
    ASSERT_TRUE(t.FatalException());
    if (c.threadError) {
      EXPECT_THROW(t.RaiseFatalException(), EThread);
    } else {
      EXPECT_EQ(expectRead(t.FatalException()), "Stream read error");
      EXPECT_THROW(t.RaiseFatalException(), EReadError);
    }
  }
  TFuncThread ok([](TFuncThread&) {});
  ok.Start();
  ok.WaitFor();
  EXPECT_FALSE(ok.FatalException());
  EXPECT_NO_THROW(ok.RaiseFatalException());
}

TEST(Thread, SynchronizeOnTheMainThreadRunsAtOnce) {
  int ran = 0;
  TThread::Synchronize(nullptr, [&] { ran++; });
  EXPECT_EQ(ran, 1);
  EXPECT_THROW(TThread::Synchronize(nullptr, [] { throw std::bad_alloc(); }), std::bad_alloc);
}

}  // namespace
