#include "platform/thread.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vortik::platform {

namespace {

std::mutex failMutex;
int startsToSkip = 0;
int startsToFail = 0;

bool StartShallFail() {
  std::lock_guard<std::mutex> lock(failMutex);
  if (startsToFail == 0) return false;
  if (startsToSkip > 0) {
    --startsToSkip;
    return false;
  }
  --startsToFail;
  return true;
}

// The signal that interrupts a blocked worker. Its handler does nothing: the point is only that
// it is installed without SA_RESTART, so the interrupted call returns EINTR.
int InterruptSignal() {
  return SIGRTMIN + 3;
}

void IgnoreInterrupt(int) {}

void InstallInterruptHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = IgnoreInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(InterruptSignal(), &action, nullptr);
  });
}

}  // namespace

struct Thread::State {
  std::function<void()> body;
  pthread_t handle{};
  bool started = false;
  std::mutex mutex;
  std::condition_variable doneChanged;
  bool done = false;
};

Thread::Thread() : state_(std::make_unique<State>()) {}

Thread::~Thread() {
  if (state_) Join();
}

Thread::Thread(Thread&& other) noexcept : state_(std::make_unique<State>()) {
  state_.swap(other.state_);
}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    state_.swap(other.state_);
  }
  return *this;
}

bool Thread::Start(std::function<void()> body) {
  if (state_->started) return false;
  if (StartShallFail()) return false;
  InstallInterruptHandler();
  state_->body = std::move(body);
  state_->done = false;
  auto entry = [](void* arg) -> void* {
    auto* state = static_cast<State*>(arg);
    state->body();
    std::lock_guard<std::mutex> lock(state->mutex);
    state->done = true;
    state->doneChanged.notify_all();
    return nullptr;
  };
  if (pthread_create(&state_->handle, nullptr, entry, state_.get()) != 0) {
    state_->body = nullptr;
    return false;
  }
  state_->started = true;
  return true;
}

bool Thread::Started() const {
  return state_->started;
}

bool Thread::IsCurrent() const {
  return state_->started && pthread_equal(state_->handle, pthread_self()) != 0;
}

void Thread::Join() {
  if (!state_->started) return;
  pthread_join(state_->handle, nullptr);
  state_->started = false;
  state_->body = nullptr;
}

void Thread::InterruptAndJoin() {
  if (!state_->started) return;
  {
    std::unique_lock<std::mutex> lock(state_->mutex);
    while (!state_->done) {
      pthread_kill(state_->handle, InterruptSignal());
      state_->doneChanged.wait_for(lock, std::chrono::milliseconds(5));
    }
  }
  Join();
}

void FailThreadStartsForTest(int skip, int count) {
  std::lock_guard<std::mutex> lock(failMutex);
  startsToSkip = skip;
  startsToFail = count;
}

}  // namespace vortik::platform
