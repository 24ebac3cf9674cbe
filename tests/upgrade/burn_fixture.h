// Burn tests' common ground: a host that records what the window would show, and the emulated
// tool on a pseudo-terminal with the port open at 1,000,000 baud.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/host.h"
#include "device/frame.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "helpers/recording_host.h"
#include "helpers/tool_on_pty.h"
#include "scantool_sim.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik::test::burn {

using FakeHost = RecordingHost;

// The emulated tool, the port to it, the block sizes it reported and a temporary folder.
class BurnOnTool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenOnTool(tool, uart));
    ASSERT_FALSE(dir.path().empty());
  }
  // The block sizes a device-info reply would have given.
  void SetBlockSizes(uint16_t rom, uint16_t flash) {
    romBlockSize_ = rom;
    flashBlockSize_ = flash;
  }
  uint16_t Block(FirmwareKind kind) const {
    return kind == FirmwareKind::kRom ? romBlockSize_ : flashBlockSize_;
  }

  // Tells the tool the size of the coming image, as the flows do before a burn.
  bool Announce(FirmwareKind kind, uint32_t size) {
    const uint8_t payload[kNotifyFirmwareSizePayload] = {
        static_cast<uint8_t>(kind), static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
        static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
    uint8_t frame[32];
    const int length =
        BuildFrame(frame, kCmdNotifyFirmwareSize.code, payload, kNotifyFirmwareSizePayload);
    uint8_t reply[11] = {};
    const uint32_t n = uart.SyncRequest(frame, static_cast<uint32_t>(length), reply, 11, 500, 5);
    return ReplyAccepted(frame, reply, n, 11, true);
  }

  // A file of pattern bytes in the temporary folder.
  std::string WriteImage(const std::string& name, size_t size, uint32_t seed) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(WriteFileBytes(path, PatternBytes(size, seed)));
    return path;
  }

  int BlocksSent() const { return tool.RequestCount(kCmdBurnBlock.code); }

  sim::ScanToolSim tool;
  TSyncUart uart;
  ScopedTempDir dir;
  FakeHost host;

 private:
  uint16_t romBlockSize_ = 0;
  uint16_t flashBlockSize_ = 0;
};

}  // namespace vortik::test::burn
