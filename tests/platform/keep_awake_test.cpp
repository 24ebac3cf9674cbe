// The keep-awake lock of long burns against a stand-in for logind on a private message bus:
// the right inhibitor is asked for, held once however often it is renewed, and let go.
#include "platform/keep_awake.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "upgrade/firmware_fixtures.h"

extern char** environ;

namespace vortik {
namespace {

// A private bus daemon on a socket in a temporary folder. The socket file appears before the
// daemon accepts connections, so readiness is the address it prints once it is listening.
class PrivateBus {
 public:
  explicit PrivateBus(const std::string& dir) : socket_(dir + "/bus") {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    std::string listen = "--address=unix:path=" + socket_;
    std::string print = "--print-address=" + std::to_string(out[1]);
    std::vector<std::string> args = {"dbus-daemon", "--session", "--nofork",
                                     "--nopidfile", listen,      print};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Its complaints about resource limits in a container are of no interest here.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The write end reaches the daemon under its own number, without close-on-exec.
    posix_spawn_file_actions_adddup2(&actions, out[1], out[1]);
    const int r = posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (r != 0) pid_ = -1;
    if (pid_ > 0) ready_ = ReadAddressLine(out[0], 10000);
    close(out[0]);
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool ok() const { return ready_; }
  std::string address() const { return "unix:path=" + socket_; }

 private:
  // True once a whole line arrived within `ms`; false on end of file or time-out.
  static bool ReadAddressLine(int fd, int ms) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    std::string line;
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (left <= 0) return false;
      pollfd pfd{fd, POLLIN, 0};
      if (poll(&pfd, 1, static_cast<int>(left)) <= 0) return false;
      char buf[256];
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) return false;
      line.append(buf, static_cast<size_t>(n));
      if (line.find('\n') != std::string::npos) return true;
    }
  }

  std::string socket_;
  pid_t pid_ = -1;
  bool ready_ = false;
};

// Answers Inhibit as logind does: with a pipe end that stays open while the lock is held.
class FakeLogind {
 public:
  explicit FakeLogind(const std::string& address) {
    if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address.c_str()) < 0 ||
        sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0) {
      return;
    }
    if (sd_bus_add_object_vtable(bus_, nullptr, "/org/freedesktop/login1",
                                 "org.freedesktop.login1.Manager", kVtable, this) < 0 ||
        sd_bus_request_name(bus_, "org.freedesktop.login1", 0) < 0) {
      return;
    }
    thread_ = std::thread([this] {
      while (!stop_) {
        while (sd_bus_process(bus_, nullptr) > 0) {
        }
        sd_bus_wait(bus_, 20000);
      }
    });
  }
  ~FakeLogind() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (int fd : held_) close(fd);
    sd_bus_flush_close_unref(bus_);
  }
  bool ok() const { return thread_.joinable(); }

  struct Call {
    std::string what, who, why, mode;
  };
  std::vector<Call> calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  // Waits up to `ms` for the client to let go of the lock handed out by call `i`: the read
  // end sees hang-up once every copy of the write end is closed (the bus daemon drops its own
  // copy a moment after passing it on).
  bool ReleasedWithin(size_t i, int ms) const {
    int fd;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      fd = held_.at(i);
    }
    pollfd pfd{fd, POLLIN, 0};
    return poll(&pfd, 1, ms) == 1;
  }

 private:
  static int Inhibit(sd_bus_message* m, void* self, sd_bus_error*) {
    auto* fake = static_cast<FakeLogind*>(self);
    const char *what, *who, *why, *mode;
    if (sd_bus_message_read(m, "ssss", &what, &who, &why, &mode) < 0) return -EINVAL;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -errno;
    {
      std::lock_guard<std::mutex> lock(fake->mutex_);
      fake->calls_.push_back({what, who, why, mode});
      fake->held_.push_back(fds[0]);
    }
    const int r = sd_bus_reply_method_return(m, "h", fds[1]);  // the message keeps its own copy
    close(fds[1]);
    return r;
  }
  static constexpr sd_bus_vtable kVtable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("Inhibit", "ssss", "h", Inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END};

  sd_bus* bus_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
  std::vector<int> held_;
};

class ScopedSystemBus {
 public:
  explicit ScopedSystemBus(const std::string& address) {
    const char* old = getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (old != nullptr) old_ = old;
    had_ = old != nullptr;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
  }
  ~ScopedSystemBus() {
    if (had_) {
      setenv("DBUS_SYSTEM_BUS_ADDRESS", old_.c_str(), 1);
    } else {
      unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
  }

 private:
  std::string old_;
  bool had_ = false;
};

TEST(BurnKeepAwake, HoldsOneSleepIdleInhibitorUntilReleased) {
  test::ScopedTempDir dir;
  PrivateBus bus(dir.path());
  if (!bus.ok()) GTEST_SKIP() << "dbus-daemon is not available";
  FakeLogind logind(bus.address());
  ASSERT_TRUE(logind.ok());
  ScopedSystemBus system(bus.address());

  {
    platform::KeepAwake awake;
    ASSERT_TRUE(awake.Request());
    EXPECT_TRUE(awake.Request());  // a renewal while held asks for nothing new
    const auto calls = logind.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].what, "sleep:idle");
    EXPECT_EQ(calls[0].mode, "block");
    EXPECT_FALSE(calls[0].why.empty());
    EXPECT_FALSE(logind.ReleasedWithin(0, 100));
    awake.Release();
    EXPECT_FALSE(awake.held());
    EXPECT_TRUE(logind.ReleasedWithin(0, 2000));

    ASSERT_TRUE(awake.Request());  // taken anew after a release
    ASSERT_EQ(logind.calls().size(), 2u);
    EXPECT_FALSE(logind.ReleasedWithin(1, 100));
  }
  EXPECT_TRUE(logind.ReleasedWithin(1, 2000));  // going out of scope lets go as well
}

TEST(BurnKeepAwake, WithoutLogindItQuietlyDoesNothing) {
  test::ScopedTempDir dir;
  {
    ScopedSystemBus system("unix:path=" + dir.File("no-bus-here"));
    platform::KeepAwake awake;
    EXPECT_FALSE(awake.Request());
    EXPECT_FALSE(awake.held());
  }
  PrivateBus bus(dir.path());
  if (!bus.ok()) GTEST_SKIP() << "dbus-daemon is not available";
  ScopedSystemBus system(bus.address());  // a bus, but nobody answers for logind
  platform::KeepAwake awake;
  const uint32_t start = platform::TickCountMs();
  EXPECT_FALSE(awake.Request());
  EXPECT_LT(platform::TickCountMs() - start, 1500u);
}

}  // namespace
}  // namespace vortik
