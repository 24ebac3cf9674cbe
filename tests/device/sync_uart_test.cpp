#include "device/sync_uart.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "device/frame.h"
#include "device/port_table.h"
#include "helpers/recording_host.h"
#include "helpers/scoped_temp_dir.h"
#include "helpers/tool_on_pty.h"
#include "platform/clock.h"
#include "platform/pty.h"
#include "qvuart/qv_uart.h"
#include "scantool_sim.h"

namespace vortik {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Request(const CommandInfo& cmd, int payloadLength = 0) {
  Bytes frame(kFrameBufferSize);
  Bytes payload(static_cast<size_t>(payloadLength), 0x5A);
  frame.resize(
      static_cast<size_t>(BuildFrame(frame.data(), cmd.code, payload.data(), payloadLength)));
  return frame;
}

uint32_t Since(uint32_t start) {
  return platform::TickCountMs() - start;
}

// A TSyncUart opened at 1,000,000 baud on the emulated tool's terminal.
class SyncUartOnTool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::OpenOnTool(tool, uart));
    port = uart.PortNO();
    ASSERT_GT(port, 0);
  }

  uint32_t Exchange(const Bytes& tx, Bytes& rx, uint32_t rxLength, uint32_t timeoutMs,
                    uint32_t intervalMs) {
    rx.assign(rxLength, 0);
    return uart.SyncRequest(tx.data(), static_cast<uint32_t>(tx.size()), rx.data(), rxLength,
                            timeoutMs, intervalMs);
  }

  sim::ScanToolSim tool;
  TSyncUart uart;
  int port = 0;
};

TEST_F(SyncUartOnTool, CompleteReplyEndsTheWaitAtOnce) {
  const Bytes block = Request(kCmdBurnBlock, 3 + 512);
  Bytes rx;
  const uint32_t start = platform::TickCountMs();
  ASSERT_EQ(Exchange(block, rx, 13, 2000, 5), 13u);
  EXPECT_LT(Since(start), 1000u);
  EXPECT_TRUE(ReplyAccepted(block.data(), rx.data(), 13, 13, true));
  EXPECT_EQ(tool.LastRequest(kCmdBurnBlock.code), block);
}

TEST_F(SyncUartOnTool, LargeRequestCrossesInPieces) {
  const Bytes block = Request(kCmdBurnBlock, 3 + 4096);  // two full driver pieces and more
  Bytes rx;
  ASSERT_EQ(Exchange(block, rx, 13, 2000, 5), 13u);
  EXPECT_EQ(tool.LastRequest(kCmdBurnBlock.code), block);
}

TEST_F(SyncUartOnTool, ShortReplyWaitsTheWholeTimeoutAndReturnsWhatCame) {
  tool.AddFault({sim::Fault::kShortReply, kCmdQueryId.code, 0, 1});
  Bytes rx;
  uint32_t start = platform::TickCountMs();
  EXPECT_EQ(Exchange(Request(kCmdQueryId), rx, 22, 300, 50), 21u);
  EXPECT_GE(Since(start), 300u);

  // A reply length that is only an upper bound always waits the whole time-out.
  const size_t infoLength = sim::DeviceInfoPayload(tool.identity()).size() + kFrameOverhead;
  start = platform::TickCountMs();
  EXPECT_EQ(Exchange(Request(kCmdRequestDeviceInfo), rx, 6144, 300, 50), infoLength);
  EXPECT_GE(Since(start), 300u);
  EXPECT_EQ(CheckFrame(rx.data(), static_cast<uint32_t>(infoLength)), static_cast<int>(infoLength));
}

// Window events still run while a reply is awaited, but not at every short wait: a burn of
// small blocks would otherwise pump the window once per block.
TEST_F(SyncUartOnTool, WaitRunsWindowEventsAtMostEveryFewMilliseconds) {
  std::vector<uint32_t> pumps;
  test::RecordingHost host;
  host.onEvents = [&pumps](test::RecordingHost&) { pumps.push_back(platform::TickCountMs()); };
  uart.SetEventHost(&host);
  tool.AddFault({sim::Fault::kSilent, kCmdQueryId.code, 0, 1});
  Bytes rx;
  EXPECT_EQ(Exchange(Request(kCmdQueryId), rx, 22, 60, 1), 0u);  // 1 ms waits, no reply
  uart.SetEventHost(nullptr);
  ASSERT_FALSE(pumps.empty());
  // Counted over the whole wait, not gap by gap: a gap is measured from inside the pump, so a
  // process preempted between the port's clock reading and the pump would shorten one gap
  // without any pump having come early. One pump per interval, and one more for that slack.
  const uint32_t span = pumps.back() - pumps.front();
  EXPECT_LE(pumps.size(), span / kEventPumpIntervalMs + 2) << "over " << span << " ms";
}

// Processor time of the calling thread so far.
double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

TEST_F(SyncUartOnTool, ZeroTimeoutStillWaitsAndReadsOnce) {
  Bytes rx;
  EXPECT_EQ(Exchange(Request(kCmdQueryId), rx, 22, 0, 1000), 22u);
}

TEST_F(SyncUartOnTool, ClosedOrUnpluggedPortWaitsTheTimeoutAndReturnsNothing) {
  uart.Close();
  Bytes rx;
  uint32_t start = platform::TickCountMs();
  EXPECT_EQ(Exchange(Request(kCmdQueryId), rx, 22, 200, 20), 0u);
  EXPECT_GE(Since(start), 200u);
  EXPECT_EQ(tool.RequestCount(kCmdQueryId.code), 0);  // nothing was sent

  ASSERT_TRUE(uart.Open());
  tool.Unplug();
  start = platform::TickCountMs();
  const double cpuBefore = ThreadCpuMs();
  EXPECT_EQ(Exchange(Request(kCmdQueryId), rx, 22, 200, 20), 0u);
  EXPECT_GE(Since(start), 200u);
  // The hung-up port reads as ended at once, every time: the wait sleeps, it does not spin
  // (spinning took the whole 200 ms of processor time).
  EXPECT_LT(ThreadCpuMs() - cpuBefore, 100.0);
  EXPECT_TRUE(uart.Active());  // stays open until discovery closes it
}

TEST_F(SyncUartOnTool, PortIsHeldExclusively) {
  TSyncUart other;
  other.fSetPort(port);
  EXPECT_FALSE(other.Open());
  EXPECT_FALSE(other.Active());
  uart.Close();
  EXPECT_TRUE(other.Open());
}

// The far end driven by hand, to see what reaches the receive queue.
class SyncUartOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Open());
    uart.fSetPort(Ports().Register(pty.path()));
    ASSERT_TRUE(uart.Open());
  }
  void FarEndWrites(const char* text) {
    ASSERT_EQ(write(pty.master(), text, strlen(text)), static_cast<ssize_t>(strlen(text)));
    usleep(20000);  // let the line discipline deliver it
  }
  platform::Pty pty;
  TSyncUart uart;
};

TEST_F(SyncUartOnPty, RequestDropsStaleBytesFirst) {
  uint8_t rx[5];
  const uint8_t tx[1] = {0x00};
  FarEndWrites("stale");
  EXPECT_EQ(uart.SyncRequest(tx, 1, rx, 5, 50, 10), 0u);
  FarEndWrites("fresh");
  EXPECT_EQ(uart.SyncRequest(nullptr, 0, rx, 5, 50, 10), 5u);  // nothing sent, nothing purged
  EXPECT_EQ(std::string(rx, rx + 5), "fresh");
}

TEST_F(SyncUartOnPty, ChangingALineSettingReappliesAndEmptiesTheQueues) {
  uint8_t rx[16];
  FarEndWrites("abc");
  uart.fSetParity(ptNONE);  // unchanged: nothing happens
  EXPECT_EQ(uart.RecvData(rx, sizeof rx), 3);
  FarEndWrites("abc");
  uart.fSetParity(ptEVEN);
  EXPECT_EQ(uart.Parity(), ptEVEN);
  EXPECT_EQ(uart.RecvData(rx, sizeof rx), 0);
  EXPECT_TRUE(uart.Active());
}

TEST(SyncUart, DefaultsAndRateTable) {
  TSyncUart uart;
  EXPECT_EQ(uart.PortNO(), 1);
  EXPECT_EQ(uart.BaudRate(), 9600u);
  EXPECT_EQ(uart.Parity(), ptNONE);
  EXPECT_EQ(uart.DataBits(), db8BITS);
  EXPECT_EQ(uart.StopBits(), sb1BITS);
  EXPECT_TRUE(uart.DTR());
  EXPECT_TRUE(uart.RTS());
  EXPECT_FALSE(uart.Active());

  uart.fSetBaudRate(6);
  EXPECT_EQ(uart.BaudRate(), 6u);  // as set
  EXPECT_EQ(uart.Settings().baudRate, 9600u);
  uart.fSetBaudRate(15);
  EXPECT_EQ(uart.Settings().baudRate, 15u);
  uart.fSetBaudRate(14);
  EXPECT_EQ(uart.Settings().baudRate, 256000u);
  uart.fSetBaudRate(1000000);
  EXPECT_EQ(uart.Settings().baudRate, 1000000u);
  uart.fSetDataBits(db7BITS);
  EXPECT_EQ(uart.Settings().byteSize, 7);
  EXPECT_EQ(uart.DataBits(), db7BITS);
}

TEST(SyncUart, OpenNeedsAKnownPort) {
  TSyncUart uart;
  uart.fSetPort(0);
  EXPECT_EQ(uart.PortNO(), 0);
  EXPECT_FALSE(uart.Open());
  EXPECT_FALSE(uart.Active());
  uart.fSetPort(kMaxPortNumber + 1);  // out of range: ignored
  EXPECT_EQ(uart.PortNO(), 0);
  EXPECT_EQ(uart.SendData(reinterpret_cast<const uint8_t*>("x"), 1), 0);
}

TEST(SyncUart, LockIsRecursiveForItsOwnerAndExcludesOthers) {
  TSyncUart uart;
  uart.Lock(true);
  uart.Lock(true);
  uart.Lock(false);
  bool otherGotIt = false;
  std::thread other([&] {
    uart.Lock(true);
    otherGotIt = true;
    uart.Lock(false);
  });
  usleep(20000);
  EXPECT_FALSE(otherGotIt);
  uart.Lock(false);
  other.join();
  EXPECT_TRUE(otherGotIt);
  uart.Lock(false);  // not held: no effect
}

TEST(SyncUart, SettingsRoundTripThroughTheStore) {
  test::ScopedTempDir dir;
  ASSERT_FALSE(dir.path().empty());
  const char* folder = dir.path().c_str();
  const char* old = getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_CONFIG_HOME", folder, 1);
  {
    TSyncUart a;
    a.fSetPort(7);
    a.fSetBaudRate(4);  // an index stays an index
    a.fSetParity(ptMARK);
    a.fSetDataBits(db6BITS);
    a.fSetStopBits(sb2BITS);
    a.SaveSettings("X");

    TSyncUart b;
    b.LoadSettings("x", false);  // key names compare without regard to case
    EXPECT_EQ(b.PortNO(), 7);
    EXPECT_EQ(b.BaudRate(), 4u);
    EXPECT_EQ(b.Settings().baudRate, 2400u);
    EXPECT_EQ(b.Parity(), ptMARK);
    EXPECT_EQ(b.DataBits(), db6BITS);
    EXPECT_EQ(b.StopBits(), sb2BITS);

    TSyncUart c;  // keepPort: reads the line values of its own port (1), of which there are none
    c.LoadSettings("X", true);
    EXPECT_EQ(c.PortNO(), 1);
    EXPECT_EQ(c.Parity(), ptNONE);

    // The threaded component keeps the same layout.
    TqvUart d;
    d.LoadSettings("X", false);
    EXPECT_EQ(d.PortNO(), 7);
    EXPECT_EQ(d.Settings().baudRate, 2400u);
    EXPECT_EQ(d.DataBits(), db6BITS);
    d.fSetStopBits(sb1BITS);
    d.SaveSettings("X");
    b.LoadSettings("X", false);
    EXPECT_EQ(b.StopBits(), sb1BITS);
  }
  if (old != nullptr) {
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace vortik
