// A worker thread whose failed start is a value rather than an exception, and which can be
// knocked out of a blocking system call that nothing else would end.
#pragma once

#include <functional>
#include <memory>

namespace vortik::platform {

class Thread {
 public:
  Thread();
  ~Thread();  // joins
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Takes over a running thread (the other object is then not started); a started target is
  // joined first.
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;

  // Starts `body` on a new thread. False when the system cannot make one (or a test asked for
  // a failure); the object is then as before.
  bool Start(std::function<void()> body);
  bool Started() const;
  // Whether the caller runs on this thread (which must then not join itself).
  bool IsCurrent() const;
  // Waits for the body to return. No-op when not started.
  void Join();
  // Interrupts the thread's blocking system calls (they fail with EINTR) until its body has
  // returned, then joins. The body must look at its own stop flag before every blocking call,
  // since an interruption that lands between two calls is lost.
  void InterruptAndJoin();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Tests: after `skip` more successful starts, the next `count` calls of Thread::Start fail.
void FailThreadStartsForTest(int skip, int count);

}  // namespace vortik::platform
