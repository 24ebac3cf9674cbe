// The emulated tool itself: it must resynchronise on garbage and fail exactly as asked, or the
// device tests built on it prove nothing.
#include "scantool_sim.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "device/frame.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "helpers/tool_on_pty.h"

namespace vortik {
namespace {

using Bytes = std::vector<uint8_t>;

class ToolFixture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(test::OpenOnTool(tool, uart)); }
  // Sends one request and returns what came back within 200 ms.
  Bytes Ask(const CommandInfo& cmd, const Bytes& payload, uint32_t rxLength) {
    request.assign(kFrameBufferSize, 0);
    request.resize(static_cast<size_t>(
        BuildFrame(request.data(), cmd.code, payload.data(), static_cast<int>(payload.size()))));
    Bytes rx(rxLength);
    rx.resize(uart.SyncRequest(request.data(), static_cast<uint32_t>(request.size()), rx.data(),
                               rxLength, 200, 5));
    return rx;
  }
  sim::ScanToolSim tool;
  TSyncUart uart;
  Bytes request;
};

const Bytes kId(12, '7');

TEST_F(ToolFixture, AnswersAfterGarbageAndBrokenFrames) {
  Bytes noise = {'x', '@', 'y', '@', '@', 0x03, 0x00};  // a "frame" whose length is 3
  Bytes broken(10);
  BuildFrame(broken.data(), kCmdQueryId.code, nullptr, 0);
  broken[6] ^= 0xFF;  // bad CRC
  noise.insert(noise.end(), broken.begin(), broken.end());
  ASSERT_EQ(uart.SendData(noise.data(), static_cast<int>(noise.size())),
            static_cast<int>(noise.size()));
  // PurgeRead inside SyncRequest leaves what was sent alone; the tool skips the junk.
  Bytes rx = Ask(kCmdSetId, kId, 11);
  ASSERT_EQ(rx.size(), 11u);
  EXPECT_TRUE(ReplyAccepted(request.data(), rx.data(), 11, 11, true));
  EXPECT_EQ(tool.RequestCount(kCmdQueryId.code), 0);
  EXPECT_GE(tool.GarbageBytes(), static_cast<int>(noise.size()) - 2);
  EXPECT_EQ(tool.identity().id, std::string(12, '7'));
}

TEST_F(ToolFixture, EachFaultBreaksTheReplyRuleOnceThenHeals) {
  const struct {
    sim::Fault fault;
    size_t received;
  } cases[] = {{sim::Fault::kSilent, 0},
               {sim::Fault::kBadStatus, 11},
               {sim::Fault::kBadCrc, 11},
               {sim::Fault::kWrongCode, 11},
               {sim::Fault::kShortReply, 10}};
  for (const auto& c : cases) {
    tool.AddFault({c.fault, kCmdSetId.code, 0, 1});
    Bytes rx = Ask(kCmdSetId, kId, 11);
    EXPECT_EQ(rx.size(), c.received) << static_cast<int>(c.fault);
    EXPECT_FALSE(
        ReplyAccepted(request.data(), rx.data(), static_cast<uint32_t>(rx.size()), 11, true))
        << static_cast<int>(c.fault);
    rx = Ask(kCmdSetId, kId, 11);
    EXPECT_TRUE(
        ReplyAccepted(request.data(), rx.data(), static_cast<uint32_t>(rx.size()), 11, true))
        << static_cast<int>(c.fault);
  }
}

TEST_F(ToolFixture, FaultRulesCountSkipAndFilterByCommand) {
  tool.AddFault({sim::Fault::kSilent, kCmdNotifyFirmwareSize.code, 1, 2});
  const Bytes size = {1, 0, 4, 0, 0};
  EXPECT_EQ(Ask(kCmdSetId, kId, 11).size(), 11u);                // other command: untouched
  EXPECT_EQ(Ask(kCmdNotifyFirmwareSize, size, 11).size(), 11u);  // skipped once
  EXPECT_EQ(Ask(kCmdNotifyFirmwareSize, size, 11).size(), 0u);
  EXPECT_EQ(Ask(kCmdNotifyFirmwareSize, size, 11).size(), 0u);
  EXPECT_EQ(Ask(kCmdNotifyFirmwareSize, size, 11).size(), 11u);  // spent
}

TEST_F(ToolFixture, UnplugFaultRemovesTheTerminal) {
  tool.AddFault({sim::Fault::kUnplug, 0, 0, 1});
  const std::string path = tool.path();
  EXPECT_EQ(Ask(kCmdQueryId, {}, 22).size(), 0u);
  EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST(ScanToolSim, LinkExistsWhileRunning) {
  const std::string link = "/tmp/vortik-sim-link-" + std::to_string(getpid());
  {
    sim::Options options;
    options.linkPath = link;
    sim::ScanToolSim tool(options);
    ASSERT_TRUE(tool.Start());
    EXPECT_EQ(tool.path(), link);
    EXPECT_EQ(access(link.c_str(), F_OK), 0);
  }
  EXPECT_NE(access(link.c_str(), F_OK), 0);
}

// Waits up to `ms` for a path to exist (or to be gone).
bool WaitForPath(const std::string& path, bool present, int ms) {
  for (int waited = 0; waited <= ms; waited += 10) {
    if ((access(path.c_str(), F_OK) == 0) == present) return true;
    usleep(10000);
  }
  return false;
}

// As after an upgrade: the link goes and comes back on a new terminal that answers, whether
// the test pulls the plug or the tool restarts on its own after a burn.
TEST(ScanToolSim, ComesBackAtItsLinkAfterUnplugAndAfterTheRestartOfABurn) {
  const std::string link = "/tmp/vortik-sim-restart-" + std::to_string(getpid());
  std::atomic<int> gone{0}, back{0};
  sim::Options options;
  options.linkPath = link;
  options.restartAfterBurnMs = 100;
  options.restartDownMs = 300;
  options.onRestart = [&](bool present) { ++(present ? back : gone); };
  sim::ScanToolSim tool(options);
  ASSERT_TRUE(tool.Start());
  const int port = Ports().Register(link);
  auto answers = [port] {
    TSyncUart uart;
    uart.fSetPort(port);
    if (!uart.Open()) return false;
    Bytes request(kFrameBufferSize);
    request.resize(static_cast<size_t>(BuildFrame(request.data(), kCmdQueryId.code, nullptr, 0)));
    Bytes rx(22);
    return uart.SyncRequest(request.data(), static_cast<uint32_t>(request.size()), rx.data(), 22,
                            500, 5) == 22;
  };

  tool.Unplug();
  EXPECT_NE(access(link.c_str(), F_OK), 0);
  ASSERT_TRUE(tool.Replug());
  EXPECT_TRUE(answers());
  EXPECT_EQ(gone.load(), 0) << "no burn yet, no restart";

  {
    TSyncUart uart;
    uart.fSetPort(port);
    ASSERT_TRUE(uart.Open());
    const Bytes block(kBurnBlockHeader, 0);
    Bytes frame(kFrameBufferSize);
    frame.resize(static_cast<size_t>(BuildFrame(frame.data(), kCmdBurnBlock.code, block.data(),
                                                static_cast<int>(block.size()))));
    ASSERT_EQ(uart.SendData(frame.data(), static_cast<int>(frame.size())),
              static_cast<int>(frame.size()));
  }
  EXPECT_TRUE(WaitForPath(link, false, 2000)) << "restart after the burn";
  EXPECT_TRUE(WaitForPath(link, true, 2000)) << "back after the restart";
  EXPECT_TRUE(answers());
  EXPECT_EQ(gone.load(), 1);
  EXPECT_EQ(back.load(), 1);
}

// The demo's capture cut off by the plug: eight whole sample frames and half of the ninth, no end
// frame, then the terminal goes, and comes back at its link.
TEST(ScanToolSim, DemoCutCaptureStopsInsideAFrameThenTheToolComesBack) {
  const std::string link = "/tmp/vortik-sim-cut-" + std::to_string(getpid());
  sim::Options options;
  options.linkPath = link;
  options.restartDownMs = 300;
  sim::ScanToolSim tool(options);
  TSyncUart uart;
  ASSERT_TRUE(test::OpenOnTool(tool, uart));
  uint8_t request[kFrameOverhead];
  const int length = BuildFrame(request, kCodeDemoPushCutCapture, nullptr, 0);
  ASSERT_EQ(uart.SendData(request, length), length);
  Bytes got;
  uint8_t buffer[4096];
  while (uart.WaitReadable(2000)) {
    const int n = uart.RecvData(buffer, sizeof buffer);
    if (n < 1) break;  // the terminal has gone
    got.insert(got.end(), buffer, buffer + n);
  }
  const Bytes whole =
      sim::CaptureFrames(sim::CaptureSamples(sim::CaptureShape::kCranking, 20000), 2000, false);
  ASSERT_EQ(got.size(), 8u * (2000 + kFrameOverhead) + 1000);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), whole.begin()));
  EXPECT_TRUE(WaitForPath(link, true, 2000)) << "back after the unplug";
}

}  // namespace
}  // namespace vortik
