#include "qvuart/qv_uart.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/frame.h"
#include "device/port_table.h"
#include "device/watched_uart.h"
#include "helpers/tool_on_pty.h"
#include "platform/pty.h"
#include "scantool_sim.h"

namespace vortik {
namespace {

using Bytes = std::vector<uint8_t>;

// Polls `done` until it holds, for at most `limitMs`: a bound against hanging, not a timing.
bool WaitUntil(const std::function<bool()>& done, int limitMs = 10000) {
  for (int waited = 0; waited < limitMs; ++waited) {
    if (done()) return true;
    usleep(1000);
  }
  return done();
}

Bytes Pattern(size_t length) {
  Bytes bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

int ThreadCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) return -1;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count;
}

struct ErrorSeen {
  int code;
  std::string text;
  bool operator==(const ErrorSeen&) const = default;
};

// The far end of a pseudo-terminal, driven from the test's thread through its master side.
class FarEnd {
 public:
  explicit FarEnd(int master) : master_(master) {}
  // Writes all of `bytes` within the bound; false when the line stays full.
  bool Write(const Bytes& bytes) {
    size_t done = 0;
    return WaitUntil([&] {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) done += static_cast<size_t>(n);
      return done == bytes.size();
    });
  }
  bool Write(const std::string& text) { return Write(Bytes(text.begin(), text.end())); }
  // Reads until `length` bytes came, within the bound.
  Bytes Read(size_t length) {
    Bytes got;
    WaitUntil([&] {
      uint8_t buffer[4096];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n > 0) got.insert(got.end(), buffer, buffer + n);
      return got.size() >= length;
    });
    return got;
  }

 private:
  int master_;
};

class QvUartOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Open());
    port = Ports().Register(pty.path());
    uart.fSetOnCommError([this](TqvUart&, int code, const std::string& text) {
      errors.push_back({code, text});
    });
    uart.fSetPort(port);
    ASSERT_TRUE(uart.Open());
  }

  FarEnd Far() { return FarEnd(pty.master()); }

  platform::Pty pty;
  TqvUart uart;
  int port = 0;
  std::vector<ErrorSeen> errors;
};

TEST_F(QvUartOnPty, TransmitRingTakesItsCapacityLessOneAndTheWriteThreadDrainsIt) {
  EXPECT_EQ(uart.OutBufSize(), 8176);
  EXPECT_EQ(uart.InBufSize(), 8176);
  const Bytes data = Pattern(10000);
  ASSERT_EQ(uart.SendData(data.data(), 10000), 8175);
  EXPECT_EQ(Far().Read(8175), Bytes(data.begin(), data.begin() + 8175));

  EXPECT_EQ(uart.SendString("AT\r"), 3);
  EXPECT_EQ(Far().Read(3), Bytes({'A', 'T', '\r'}));
  EXPECT_EQ(uart.SendData(nullptr, 5), 0);
  EXPECT_EQ(uart.SendData(data.data(), 0), 0);
  uart.Close();
  EXPECT_EQ(uart.SendData(data.data(), 10), 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(QvUartOnPty, RoundTripOf100KBLosesNoByte) {
  // The far end echoes whatever arrives, at its own pace.
  std::atomic<bool> stop{false};
  std::thread echo([&] {
    Bytes pending;
    while (!stop) {
      pollfd pfd{pty.master(), static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
      if (poll(&pfd, 1, 10) <= 0) continue;
      uint8_t buffer[1024];
      if ((pfd.revents & POLLIN) != 0 && pending.size() < 65536) {
        const ssize_t n = read(pty.master(), buffer, sizeof buffer);
        if (n > 0) pending.insert(pending.end(), buffer, buffer + n);
      }
      if (!pending.empty()) {
        const ssize_t n = write(pty.master(), pending.data(), pending.size());
        if (n > 0) pending.erase(pending.begin(), pending.begin() + n);
      }
    }
  });

  const Bytes sent = Pattern(100 * 1024);
  Bytes received(sent.size());
  size_t offered = 0;
  size_t got = 0;
  const bool done = WaitUntil(
      [&] {
        if (offered < sent.size()) {
          offered += static_cast<size_t>(
              uart.SendData(sent.data() + offered, static_cast<int>(sent.size() - offered)));
        }
        got += static_cast<size_t>(
            uart.RecvData(received.data() + got, static_cast<int>(received.size() - got)));
        return got == sent.size();
      },
      60000);
  stop = true;
  echo.join();
  ASSERT_TRUE(done) << "received " << got << " of " << sent.size();
  EXPECT_EQ(received, sent);
  uint8_t extra[16];
  EXPECT_EQ(uart.RecvData(extra, sizeof extra), 0);
}

TEST_F(QvUartOnPty, ToggleParityReopensOnlyWhenTheParityChanges) {
  // Bytes in the receive ring show whether the port was closed (closing empties the rings).
  auto bytesWaitFor = [&](const char* text) {
    ASSERT_TRUE(Far().Write(text));
    ASSERT_TRUE(WaitUntil([&] { return uart.RecvAvailable() == 3; }));
  };

  bytesWaitFor("abc");
  uart.ToggleParity(true);
  EXPECT_TRUE(uart.Active());
  EXPECT_EQ(uart.Parity(), ptSPACE);  // (a pseudo-terminal itself keeps no parity)
  EXPECT_EQ(uart.RecvAvailable(), 0);

  bytesWaitFor("def");
  uart.ToggleParity(true);  // already space: nothing happens
  EXPECT_EQ(uart.RecvAvailable(), 3);
  uint8_t buffer[8];
  EXPECT_EQ(uart.RecvData(buffer, sizeof buffer), 3);
  EXPECT_EQ(std::string(buffer, buffer + 3), "def");

  bytesWaitFor("ghi");
  uart.ToggleParity(false);
  EXPECT_EQ(uart.Parity(), ptMARK);
  EXPECT_EQ(uart.RecvAvailable(), 0);

  // The port still works after its reopening.
  EXPECT_EQ(uart.SendString("xyz"), 3);
  EXPECT_EQ(Far().Read(3), Bytes({'x', 'y', 'z'}));

  uart.Close();
  uart.ToggleParity(true);  // closed: only the setting changes
  EXPECT_FALSE(uart.Active());
  EXPECT_EQ(uart.Parity(), ptSPACE);
  EXPECT_TRUE(errors.empty());
}

TEST_F(QvUartOnPty, FlowControlMapsOntoTheRecordAndTheDevice) {
  struct Case {
    TFlowControl value;
    TFlowControl readBack;
    bool hardware;
    bool software;
  };
  const Case cases[] = {{3, 3, true, false}, {4, 4, false, true},  {5, 4, false, true},
                        {6, 6, true, true},  {0, 0, false, false}, {2, 0, false, false},
                        {7, 0, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.value));
    uart.fSetFCtrl(c.value);
    EXPECT_EQ(uart.fGetFCtrl(), c.readBack);
    EXPECT_EQ(uart.Settings().dtrControl, LineControl::kEnable);
    EXPECT_FALSE(uart.Settings().outxDsrFlow);
    EXPECT_EQ(uart.Settings().rtsControl,
              c.hardware ? LineControl::kHandshake : LineControl::kEnable);
    CommSettings state;
    ASSERT_TRUE(uart.GetUartState(state));  // what the device was given
    EXPECT_EQ(state.outxCtsFlow, c.hardware);
    EXPECT_EQ(state.outX, c.software);
    EXPECT_EQ(state.inX, c.software);
  }
}

TEST_F(QvUartOnPty, PurgesAndCloseEmptyTheRings) {
  ASSERT_TRUE(Far().Write("stale"));
  ASSERT_TRUE(WaitUntil([&] { return uart.RecvAvailable() == 5; }));
  uart.PurgeRead(false);
  EXPECT_EQ(uart.RecvAvailable(), 0);

  ASSERT_TRUE(Far().Write("late"));
  ASSERT_TRUE(WaitUntil([&] { return uart.RecvAvailable() == 4; }));
  uart.Close();
  EXPECT_EQ(uart.RecvAvailable(), 0);
  uint8_t buffer[8];
  EXPECT_EQ(uart.RecvData(buffer, sizeof buffer), 0);

  // A write abandoned with abort does not reach the far end after the purge.
  ASSERT_TRUE(uart.Open());
  uart.PurgeWrite(true);
  EXPECT_EQ(uart.SendString("next"), 4);
  EXPECT_EQ(Far().Read(4), Bytes({'n', 'e', 'x', 't'}));
}

TEST_F(QvUartOnPty, APseudoTerminalHasNoModemLinesAndThatIsNoError) {
  EXPECT_TRUE(uart.Active());
  EXPECT_FALSE(uart.CTS());
  EXPECT_FALSE(uart.DSR());
  EXPECT_FALSE(uart.RING());
  EXPECT_FALSE(uart.RLSD());
  uart.fSetDTR(false);  // no lines to switch: still no error
  uart.fSetRTS(false);
  EXPECT_TRUE(uart.Active());
  EXPECT_TRUE(errors.empty());
}

TEST_F(QvUartOnPty, RingSizesAreRefusedWhileOpenOrWithoutDataRoom) {
  uart.fSetInBufSize(1024);
  uart.fSetOutBufSize(1024);
  EXPECT_EQ(uart.InBufSize(), 8176);
  EXPECT_EQ(uart.OutBufSize(), 8176);
  EXPECT_EQ(errors, (std::vector<ErrorSeen>{{2, "Cannot initialize read buffer"},
                                            {3, "Cannot initialize write buffer"}}));
  uart.Close();
  errors.clear();
  // Size 21 leaves a capacity of 1, which holds nothing (a ring keeps one byte free).
  for (int size : {21, 20, 0, -1}) {
    uart.fSetInBufSize(size);
    uart.fSetOutBufSize(size);
  }
  EXPECT_EQ(uart.InBufSize(), 8176);
  EXPECT_EQ(uart.OutBufSize(), 8176);
  EXPECT_EQ(errors.size(), 8u);

  errors.clear();
  uart.fSetInBufSize(22);
  uart.fSetOutBufSize(120);
  EXPECT_EQ(uart.InBufSize(), 2);
  EXPECT_EQ(uart.OutBufSize(), 100);
  EXPECT_TRUE(errors.empty());
  ASSERT_TRUE(uart.Open());
  const Bytes data = Pattern(1000);
  EXPECT_EQ(uart.SendData(data.data(), 1000), 99);
  EXPECT_EQ(Far().Read(99), Bytes(data.begin(), data.begin() + 99));
}

// A block the write thread has taken but not yet written when the port closes is void: after a
// reopen it does not go out.
TEST_F(QvUartOnPty, CloseVoidsTheBlockTheWriteThreadHasTaken) {
  class HeldWriter : public TqvUart {
   public:
    void WriteBlockTaken() override {
      std::unique_lock<std::mutex> lock(mutex);
      taken = true;
      changed.notify_all();
      changed.wait(lock, [this] { return released; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool taken = false;
    bool released = false;
  };
  uart.Close();  // the pseudo-terminal is taken exclusively
  HeldWriter held;
  held.fSetPort(port);
  ASSERT_TRUE(held.Open());
  ASSERT_EQ(held.SendString("stale"), 5);
  {
    std::unique_lock<std::mutex> lock(held.mutex);
    ASSERT_TRUE(held.changed.wait_for(lock, std::chrono::seconds(10), [&] { return held.taken; }));
  }
  held.Close();
  held.ToggleParity(true);
  ASSERT_TRUE(held.Open());
  {
    std::lock_guard<std::mutex> lock(held.mutex);
    held.released = true;
    held.taken = false;
  }
  held.changed.notify_all();
  ASSERT_EQ(held.SendString("new"), 3);
  EXPECT_EQ(Far().Read(3), Bytes({'n', 'e', 'w'}));
  {
    std::lock_guard<std::mutex> lock(held.mutex);
    held.released = true;
  }
}

// Without a dispatcher the status handler runs on the watcher's thread; closing, reopening or
// reconfiguring the port from there must not wait for that thread to end.
TEST_F(QvUartOnPty, StatusHandlerOnTheWatcherThreadMayCloseOrReopen) {
  // A device with modem lines whose watcher reports one change on its own thread.
  class LinesUart : public WatchedUart {
   public:
    bool ReadModemLines(platform::SerialPort&, platform::ModemLines& lines) override {
      lines = {};
      return true;
    }
    void WatchModemLines(platform::SerialPort&, const std::atomic<bool>& stop) override {
      if (!reported.exchange(true)) {
        while (!Active()) usleep(1000);  // a change comes once the port is open
        ModemLinesChanged(kEvCts, {true, false, false, false});
      }
      while (!stop) usleep(1000);
    }
    std::atomic<bool> reported{false};
  };
  uart.Close();
  const int other = Ports().Register(pty.path() + "-other-name");
  struct Case {
    const char* name;
    std::function<void(TqvUart&)> act;
    bool activeAfter;
  };
  const std::vector<Case> cases = {
      {"Close", [](TqvUart& u) { u.Close(); }, false},
      {"fSetActive(false)", [](TqvUart& u) { u.fSetActive(false); }, false},
      {"ToggleParity", [](TqvUart& u) { u.ToggleParity(true); }, true},
      {"fSetPort", [other](TqvUart& u) { u.fSetPort(other); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::atomic<bool> handled{false};
    auto run = std::async(std::launch::async, [&] {
      LinesUart lines;
      lines.fSetPort(port);
      lines.fSetOnCommStatusChanged([&](TqvUart& sender, int) {
        c.act(sender);
        handled = true;
      });
      if (!lines.Open()) return std::string("not opened");
      WaitUntil([&] { return handled.load(); });
      if (!handled) return std::string("not handled");
      return std::string(lines.Active() == c.activeAfter ? "" : "active after: ") +
             (lines.Active() ? "yes" : "no");
    });
    if (run.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "the handler's call hangs";
      std::_Exit(1);  // the stuck thread cannot be ended otherwise
    }
    const std::string outcome = run.get();
    EXPECT_TRUE(outcome == "yes" || outcome == "no") << outcome;
  }
}

TEST_F(QvUartOnPty, DestructionWhileBothThreadsAreBusyLeavesNoThread) {
  const int before = ThreadCount();
  {
    TqvUart busy;
    const int other = Ports().Register(pty.path());
    uart.Close();  // the pseudo-terminal is taken exclusively
    busy.fSetPort(other);
    ASSERT_TRUE(busy.Open());
    EXPECT_EQ(ThreadCount(), before + 2);  // reader and writer; no modem watcher on a pty

    // The read thread: its ring full and more waiting on the line.
    ASSERT_TRUE(Far().Write(Pattern(busy.InBufSize() + 1000)));
    ASSERT_TRUE(WaitUntil([&] { return busy.RecvAvailable() == busy.InBufSize() - 1; }));
    // The write thread: the far end reads nothing, so the line fills and it waits in poll().
    const Bytes data = Pattern(4096);
    int refusedInARow = 0;
    ASSERT_TRUE(WaitUntil([&] {
      refusedInARow = busy.SendData(data.data(), 4096) == 0 ? refusedInARow + 1 : 0;
      return refusedInARow >= 200;
    }));
  }
  EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == before; }));
}

TEST(QvUart, AnOpenFailureReportsCode4WithItsText) {
  std::vector<ErrorSeen> errors;
  TqvUart uart;
  uart.fSetOnCommError([&](TqvUart&, int code, const std::string& text) {
    errors.push_back({code, text});
  });
  uart.fSetPort(Ports().Register("/dev/vortik-no-such-port"));
  EXPECT_FALSE(uart.Open());
  EXPECT_FALSE(uart.Active());
  EXPECT_EQ(errors, (std::vector<ErrorSeen>{{4, "Cannot open COM port"}}));

  errors.clear();
  uart.fSetPort(0);
  EXPECT_FALSE(uart.Open());  // no port: refused without a report
  EXPECT_TRUE(errors.empty());
}

TEST(QvUart, AThreadThatCannotStartIsReportedAndOpenFails) {
  platform::Pty pty;
  ASSERT_TRUE(pty.Open());
  const int port = Ports().Register(pty.path());
  struct Case {
    int startsBeforeFailure;
    ErrorSeen error;
  };
  for (const Case& c : {Case{0, {11, "Cannot create COM port read thread"}},
                        Case{1, {12, "Cannot create COM port write thread"}}}) {
    std::vector<ErrorSeen> errors;
    TqvUart uart;
    uart.fSetOnCommError([&](TqvUart&, int code, const std::string& text) {
      errors.push_back({code, text});
    });
    uart.fSetPort(port);
    platform::FailThreadStartsForTest(c.startsBeforeFailure, 1);
    EXPECT_FALSE(uart.Open());
    EXPECT_FALSE(uart.Active());
    EXPECT_EQ(errors, std::vector<ErrorSeen>{c.error});
    // The next Open starts what is missing and the port works.
    ASSERT_TRUE(uart.Open());
    EXPECT_EQ(uart.SendString("ok"), 2);
    EXPECT_EQ(FarEnd(pty.master()).Read(2), Bytes({'o', 'k'}));
  }
  EXPECT_EQ(CommErrorText(0), std::string("no error"));
  EXPECT_EQ(CommErrorText(14), std::string("Cannot close COM port write thread"));
  EXPECT_EQ(CommErrorText(15), std::string("Unknown error"));
  EXPECT_EQ(CommErrorText(-1), std::string("Unknown error"));
}

TEST(QvUart, SyncRequestWaitsInShrinkingStepsUntilTheDeadline) {
  struct Case {
    uint32_t timeoutMs;
    std::vector<uint32_t> waits;
  };
  const std::vector<uint32_t> tenOnes(10, 1);
  auto join = [](std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const Case cases[] = {
      {50, join({10, 10, 10, 10}, tenOnes)},
      {250, join({100, 100, 10, 10, 10, 10}, tenOnes)},
      {0, {1}},  // one pass even without time
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timeoutMs);
    TqvUart uart;                // closed: nothing is sent and nothing comes
    uint32_t now = 0xFFFFFFF0u;  // the tick counter wraps during the request
    std::vector<uint32_t> waits;
    uart.SetSyncClock([&] { return now; },
                      [&](uint32_t ms) {
                        waits.push_back(ms);
                        now += ms;
                      });
    uint8_t rx[8];
    const uint8_t tx[1] = {0x55};
    EXPECT_EQ(uart.SyncRequest(tx, 1, rx, sizeof rx, c.timeoutMs), 0u);
    EXPECT_EQ(waits, c.waits);
  }
}

Bytes Request(const CommandInfo& cmd) {
  Bytes frame(kFrameBufferSize);
  frame.resize(static_cast<size_t>(BuildFrame(frame.data(), cmd.code, nullptr, 0)));
  return frame;
}

TEST(QvUart, SyncRequestExchangesAFrameWithTheTool) {
  sim::ScanToolSim tool;
  TqvUart uart;
  ASSERT_TRUE(test::OpenOnTool(tool, uart));

  const Bytes query = Request(kCmdQueryId);
  Bytes rx(kCmdQueryId.replyLength);
  ASSERT_EQ(uart.SyncRequest(query.data(), static_cast<uint32_t>(query.size()), rx.data(),
                             kCmdQueryId.replyLength, 5000),
            kCmdQueryId.replyLength);
  EXPECT_TRUE(ReplyAccepted(query.data(), rx.data(), kCmdQueryId.replyLength,
                            kCmdQueryId.replyLength, kCmdQueryId.hasStatus));
  EXPECT_EQ(tool.LastRequest(kCmdQueryId.code), query);

  // A short reply: what came, after the whole time-out.
  tool.AddFault({sim::Fault::kShortReply, kCmdQueryId.code, 0, 1});
  EXPECT_EQ(uart.SyncRequest(query.data(), static_cast<uint32_t>(query.size()), rx.data(),
                             kCmdQueryId.replyLength, 300),
            kCmdQueryId.replyLength - 1);
}

TEST(QvUart, StatusChangesAreDeliveredThroughTheDispatcher) {
  std::deque<std::function<void()>> queue;
  std::mutex queueMutex;
  auto dispatcher = [&](std::function<void()> task) {
    std::lock_guard<std::mutex> lock(queueMutex);
    queue.push_back(std::move(task));
  };
  auto runQueue = [&] {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard<std::mutex> lock(queueMutex);
      tasks.swap(queue);
    }
    for (auto& task : tasks) task();
  };

  std::vector<std::pair<int, std::thread::id>> seen;
  {
    WatchedUart uart(dispatcher);
    // Without a handler nothing is queued, but the lines are kept.
    std::thread([&] { uart.ModemLinesChanged(kEvDsr, {false, true, false, false}); }).join();
    EXPECT_TRUE(queue.empty());
    EXPECT_TRUE(uart.DSR());

    uart.fSetOnCommStatusChanged([&](TqvUart& sender, int index) {
      EXPECT_EQ(&sender, &uart);
      seen.push_back({index, std::this_thread::get_id()});
    });
    std::thread([&] {
      uart.ModemLinesChanged(kEvCts | kEvRlsd, {true, true, false, true});
    }).join();
    EXPECT_TRUE(uart.CTS());
    EXPECT_TRUE(uart.RLSD());
    EXPECT_TRUE(seen.empty());  // not on the watcher's thread
    runQueue();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, kEvCts | kEvRlsd);
    EXPECT_EQ(seen[0].second, std::this_thread::get_id());

    std::thread([&] { uart.ModemLinesChanged(kEvRing, {true, true, false, true}); }).join();
  }
  runQueue();  // the component is gone: its queued task does nothing
  EXPECT_EQ(seen.size(), 1u);
}

TEST(ByteRing, WrapsAroundWithoutLosingOrder) {
  auto ring = ByteRing::Create(20 + 8);  // capacity 8: holds 7
  ASSERT_NE(ring, nullptr);
  const uint8_t in[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  uint8_t out[10] = {};
  EXPECT_EQ(ring->Write(in, 5), 5u);
  EXPECT_EQ(ring->Read(out, 4), 4u);   // read index 4
  EXPECT_EQ(ring->Write(in, 10), 6u);  // 1 left + 6 = 7, across the end
  EXPECT_EQ(ring->room(), 0u);
  EXPECT_TRUE(ring->FreeSpan().empty());
  EXPECT_EQ(ring->Read(out, 10), 7u);
  EXPECT_EQ(Bytes(out, out + 7), Bytes({5, 1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(ring->empty());
  EXPECT_EQ(ByteRing::Create(20), nullptr);
  EXPECT_EQ(ByteRing::Create(21), nullptr);  // capacity 1 would hold nothing
  auto smallest = ByteRing::Create(ByteRing::kSmallestBlockSize);
  ASSERT_NE(smallest, nullptr);
  EXPECT_EQ(smallest->Write(in, 10), 1u);
}

}  // namespace
}  // namespace vortik
