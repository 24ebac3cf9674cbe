// The emulated tool's image storage on its own: the burn tests trust it to refuse what a tool
// would refuse, so each refusal is shown here with raw frames.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "burn_fixture.h"
#include "upgrade/burn_engine.h"

namespace vortik {
namespace {

using test::burn::BurnOnTool;
using Bytes = std::vector<uint8_t>;

class StorageOnTool : public BurnOnTool {
 protected:
  // Sends one BurnBlock and returns the reply's status byte, or -1 when no good reply came.
  int Block(FirmwareKind kind, uint16_t number, const Bytes& data) {
    Bytes payload = {static_cast<uint8_t>(kind), static_cast<uint8_t>(number & 0xFF),
                     static_cast<uint8_t>(number >> 8)};
    payload.insert(payload.end(), data.begin(), data.end());
    Bytes frame(kFrameBufferSize);
    const int length = BuildFrame(frame.data(), kCmdBurnBlock.code, payload.data(),
                                  static_cast<int>(payload.size()));
    uint8_t reply[13] = {};
    const uint32_t n =
        uart.SyncRequest(frame.data(), static_cast<uint32_t>(length), reply, 13, 500, 5);
    if (n != 13 || CheckFrame(reply, 13) == 0) return -1;
    return reply[kFrameStatusOffset];
  }
};

TEST_F(StorageOnTool, RefusesBlocksOutOfOrderButTakesARepeatedOne) {
  ASSERT_TRUE(Announce(FirmwareKind::kRom, 10));
  const Bytes a(4, 0xA1), b(4, 0xB2), c(4, 0xC3);
  EXPECT_EQ(Block(FirmwareKind::kRom, 1, a), sim::kOutOfOrder);  // no block 0 yet
  EXPECT_EQ(Block(FirmwareKind::kRom, 0, a), 0);
  EXPECT_EQ(Block(FirmwareKind::kRom, 0, a), 0);  // sent again after a lost reply
  EXPECT_EQ(Block(FirmwareKind::kRom, 2, c), sim::kOutOfOrder);
  EXPECT_EQ(Block(FirmwareKind::kLogo, 1, b), sim::kOutOfOrder);       // another kind's burn
  EXPECT_FALSE(tool.storage().Image(FirmwareKind::kRom).has_value());  // under way
  EXPECT_EQ(Block(FirmwareKind::kRom, 1, b), 0);
  EXPECT_EQ(Block(FirmwareKind::kRom, 2, c), 0);
  EXPECT_EQ(tool.storage().Image(FirmwareKind::kRom),
            std::optional<Bytes>({0xA1, 0xA1, 0xA1, 0xA1, 0xB2, 0xB2, 0xB2, 0xB2, 0xC3, 0xC3}));
  EXPECT_EQ(tool.storage().RefusedBlocks(), 3);
  EXPECT_EQ(tool.storage().Blocks().size(), 3u);
}

TEST_F(StorageOnTool, RefusesAPartListWhoseCrcIsWrong) {
  FlashPartList parts(1);
  parts[0].record = {0, 0, 0, 0, 0, 0, 0x10, 0};  // 4096 bytes at address 0
  Bytes list(4096);
  ASSERT_TRUE(WritePartListBlock(parts, list));
  Bytes broken = list;
  broken[11] ^= 0x01;  // the CRC's low byte
  ASSERT_TRUE(Announce(FirmwareKind::kFlash, 4096 + 4096));
  EXPECT_EQ(Block(FirmwareKind::kFlash, 0, broken), sim::kBadListCrc);
  // Swapped CRC bytes are wrong as well: the CRC goes high byte first.
  std::swap(broken[10], broken[11]);
  broken[11] ^= 0x01;
  EXPECT_EQ(Block(FirmwareKind::kFlash, 0, broken), sim::kBadListCrc);
  EXPECT_EQ(Block(FirmwareKind::kFlash, 0, list), 0);
  EXPECT_EQ(Block(FirmwareKind::kFlash, 1, Bytes(4096, 0x77)), 0);
  const auto stored = tool.storage().Parts();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].data, Bytes(4096, 0x77));
}

}  // namespace
}  // namespace vortik
