// The emulated tool itself: it must resynchronise on garbage and fail exactly as asked, or the
// device tests built on it prove nothing.
#include "scantool_sim.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "device/frame.h"
#include "device/port_table.h"
#include "device/sync_uart.h"

namespace vortik {
namespace {

using Bytes = std::vector<uint8_t>;

class ToolFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tool.Start());
    uart.fSetPort(Ports().Register(tool.path()));
    ASSERT_TRUE(uart.Open());
  }
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

}  // namespace
}  // namespace vortik
