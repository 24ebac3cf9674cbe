// The burn engine against the emulated tool: what ends up in the tool byte for byte, how blocks
// are numbered and padded, what is refused before anything is sent, and how faults end a burn.
#include "upgrade/burn_engine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "burn_fixture.h"
#include "device/device_commands.h"
#include "platform/clock.h"
#include "upgrade/flash_parts.h"

namespace vortik {
namespace {

using test::PatternBytes;
using test::ReadFileBytes;
using test::burn::BurnOnTool;
using Bytes = std::vector<uint8_t>;

std::vector<uint16_t> BlockNumbers(const std::vector<sim::AcceptedBlock>& blocks) {
  std::vector<uint16_t> numbers;
  for (const auto& b : blocks) numbers.push_back(b.number);
  return numbers;
}

std::vector<uint16_t> Iota(uint16_t count) {
  std::vector<uint16_t> v(count);
  for (uint16_t i = 0; i < count; ++i) v[i] = i;
  return v;
}

// --- whole files ---------------------------------------------------------------------------

TEST_F(BurnOnTool, FileEndsUpInTheToolByteForByte) {
  const struct {
    FirmwareKind kind;
    uint16_t blockSize;
    size_t size;
    uint16_t blocks;
    int gaugeMax;
    const char* status;
  } cases[] = {
      {FirmwareKind::kRom, 512, 1000, 2, 2, "Burning...ROM"},  // last block 488 bytes + zeros
      {FirmwareKind::kRom, 512, 1024, 2, 3,
       "Burning...ROM"},  // exact multiple: a third read ends it
      {FirmwareKind::kFlash, 4096, 10000, 3, 3, "Burning...FLASH"},
      {FirmwareKind::kLogo, 1024, 3073, 4, 4, "Burning...LOGO"},
      {FirmwareKind::kFlash, 5107, 5108, 2, 2, "Burning...FLASH"},  // the largest block size
  };
  uint32_t seed = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status + std::to_string(c.size));
    SetBlockSizes(c.blockSize, c.blockSize);
    tool.storage().Clear();
    host = {};
    const std::string path = WriteImage("image.bin", c.size, seed++);
    ASSERT_TRUE(Announce(c.kind, static_cast<uint32_t>(c.size)));
    BurnStats stats;
    ASSERT_TRUE(BurnFile(host, uart, c.kind, path, Block(c.kind), &stats));

    EXPECT_EQ(tool.storage().Image(c.kind), std::optional<Bytes>(ReadFileBytes(path)));
    EXPECT_EQ(BlockNumbers(tool.storage().Blocks()), Iota(c.blocks));
    EXPECT_EQ(stats.blocksAcked, c.blocks);
    // Every block goes out at full length; after the end of the file it is zero.
    const Bytes received = tool.storage().Received(c.kind);
    ASSERT_EQ(received.size(), size_t{c.blocks} * c.blockSize);
    EXPECT_TRUE(std::all_of(received.begin() + static_cast<std::ptrdiff_t>(c.size), received.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(host.LastGaugeMax(), c.gaugeMax);
    EXPECT_EQ(host.GaugePositions().back(), c.gaugeMax);
    EXPECT_EQ(host.statusTexts, std::vector<std::string>{c.status});
    EXPECT_GE(host.eventRuns, 1);
  }
}

TEST_F(BurnOnTool, NothingIsSentForEmptyMissingOrUnusableInput) {
  SetBlockSizes(512, 4096);
  const std::string empty = WriteImage("empty.rom", 0, 1);
  const std::string small = WriteImage("small.rom", 100, 2);
  EXPECT_TRUE(BurnFile(host, uart, FirmwareKind::kRom, empty, Block(FirmwareKind::kRom)));
  EXPECT_FALSE(
      BurnFile(host, uart, FirmwareKind::kRom, dir.File("missing.rom"), Block(FirmwareKind::kRom)));
  EXPECT_FALSE(
      BurnFile(host, uart, FirmwareKind::kRom, dir.path(), Block(FirmwareKind::kRom)));  // a folder
  EXPECT_FALSE(BurnFile(host, uart, static_cast<FirmwareKind>(4), small,
                        Block(static_cast<FirmwareKind>(4))));
  // Block sizes the frame cannot carry.
  for (uint16_t bad : {uint16_t{0}, uint16_t{kMaxBlockSize + 1}}) {
    SetBlockSizes(bad, bad);
    EXPECT_FALSE(BurnFile(host, uart, FirmwareKind::kRom, small, Block(FirmwareKind::kRom))) << bad;
    EXPECT_FALSE(BurnFile(host, uart, FirmwareKind::kLogo, small, Block(FirmwareKind::kLogo)))
        << bad;
  }
  // One block more than a 16-bit block number can count.
  SetBlockSizes(1, 1);
  const std::string tooMany = WriteImage("big.rom", kMaxBurnBlocks + 1, 3);
  EXPECT_FALSE(BurnFile(host, uart, FirmwareKind::kRom, tooMany, Block(FirmwareKind::kRom)));
  EXPECT_EQ(BlocksSent(), 0);
}

// --- faults ----------------------------------------------------------------------------------

TEST_F(BurnOnTool, FaultsAreRetriedWithinTheAttemptsThenFail) {
  const struct {
    const char* name;
    sim::Fault fault;
    int count;  // replies it spoils, from the second block on
    bool ok;
    int requests;  // BurnBlock requests the tool saw
  } cases[] = {
      {"status 1 once", sim::Fault::kBadStatus, 1, true, 4},
      {"status 1 twice", sim::Fault::kBadStatus, 2, true, 5},
      {"status 1 three times", sim::Fault::kBadStatus, 3, false, 4},
      {"bad CRC once", sim::Fault::kBadCrc, 1, true, 4},
      {"wrong code three times", sim::Fault::kWrongCode, 3, false, 4},
      {"silence once", sim::Fault::kSilent, 1, true, 4},  // costs one 2 s time-out
  };
  SetBlockSizes(512, 4096);
  const std::string path = WriteImage("image.rom", 1500, 7);  // three blocks
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tool.storage().Clear();
    tool.ClearFaults();
    ASSERT_TRUE(Announce(FirmwareKind::kRom, 1500));
    tool.AddFault({c.fault, kCmdBurnBlock.code, 1, c.count});
    const int before = BlocksSent();
    BurnStats stats;
    EXPECT_EQ(BurnFile(host, uart, FirmwareKind::kRom, path, Block(FirmwareKind::kRom), &stats),
              c.ok);
    EXPECT_EQ(BlocksSent() - before, c.requests);
    EXPECT_EQ(stats.failedBlock, c.ok ? -1 : 1);
    if (c.ok) {
      // Sent again after a spoilt reply, the block is stored once and the image is whole.
      EXPECT_EQ(BlockNumbers(tool.storage().Blocks()), Iota(3));
      EXPECT_EQ(tool.storage().Image(FirmwareKind::kRom),
                std::optional<Bytes>(ReadFileBytes(path)));
    }
  }
}

TEST_F(BurnOnTool, UnplugMidBurnFailsWithinTheAttemptsTimeOuts) {
  SetBlockSizes(512, 4096);
  const std::string path = WriteImage("image.rom", 512 * 6, 8);
  tool.AddFault({sim::Fault::kUnplug, kCmdBurnBlock.code, 2, 1});
  const uint32_t start = platform::TickCountMs();
  BurnStats stats;
  EXPECT_FALSE(BurnFile(host, uart, FirmwareKind::kRom, path, Block(FirmwareKind::kRom), &stats));
  const uint32_t elapsed = platform::TickCountMs() - start;
  EXPECT_EQ(stats.failedBlock, 2);
  EXPECT_EQ(stats.blocksAcked, 2u);
  EXPECT_LT(elapsed, 3 * kCmdBurnBlock.timeoutMs + 2000);
}

TEST_F(BurnOnTool, ClosingTheWindowStopsTheBurnAsAFailure) {
  SetBlockSizes(512, 4096);
  const std::string path = WriteImage("image.rom", 512 * 6, 9);
  ASSERT_TRUE(Announce(FirmwareKind::kRom, 512 * 6));
  host.onGaugePos = [&](int pos) {
    if (pos == 3) host.state().appClosing = true;
  };
  BurnStats stats;
  EXPECT_FALSE(BurnFile(host, uart, FirmwareKind::kRom, path, Block(FirmwareKind::kRom), &stats));
  EXPECT_TRUE(stats.closing);
  EXPECT_EQ(stats.failedBlock, -1);
  EXPECT_EQ(BlocksSent(), 2);
  EXPECT_FALSE(tool.storage().Image(FirmwareKind::kRom).has_value());  // incomplete in the tool

  // Closed before it starts: nothing goes out at all.
  const std::string other = WriteImage("other.rom", 100, 10);
  EXPECT_FALSE(BurnFile(host, uart, FirmwareKind::kRom, other, Block(FirmwareKind::kRom)));
  EXPECT_FALSE(BurnTestFile(host, uart, other));
  EXPECT_EQ(BlocksSent(), 2);
}

// --- part lists --------------------------------------------------------------------------------

struct PartFiles {
  FlashPartList list;
  std::vector<Bytes> bytes;
};

// Parts of the given sizes with made-up addresses, written to `dir`.
PartFiles MakeParts(const test::ScopedTempDir& dir, const std::vector<uint32_t>& sizes,
                    const std::string& prefix = "part") {
  PartFiles out;
  uint32_t address = 0x10000;
  for (size_t i = 0; i < sizes.size(); ++i) {
    FlashPart part;
    part.entryIndex = static_cast<int>(i) + 2;
    const PartEntry entry = MakePartEntry(address, sizes[i], static_cast<uint16_t>(i));
    std::copy(entry.begin(), entry.begin() + kPartRecordSize, part.record.begin());
    part.size = sizes[i];
    part.localPath = dir.File(prefix + std::to_string(i) + ".fls");
    out.bytes.push_back(PatternBytes(sizes[i], static_cast<uint32_t>(100 + i)));
    EXPECT_TRUE(test::WriteFileBytes(part.localPath, out.bytes.back()));
    out.list.push_back(part);
    address += sizes[i];
  }
  return out;
}

TEST(PartListBlock, ListsCountRecordsAndCrcHighByteFirst) {
  FlashPartList one(1);
  one[0].record = {0x00, 0x01, 0x20, 0x00, 0x00, 0x00, 0x30, 0x00};
  Bytes block(4096, 0xEE);
  ASSERT_TRUE(WritePartListBlock(one, block));
  const Bytes head = {0x00, 0x01, 0x00, 0x01, 0x20, 0x00, 0x00, 0x00, 0x30, 0x00};
  EXPECT_TRUE(std::equal(head.begin(), head.end(), block.begin()));
  const uint16_t crc = FrameCrc16(head.data(), 10);
  EXPECT_EQ(block[10], crc >> 8);
  EXPECT_EQ(block[11], crc & 0xFF);
  EXPECT_TRUE(std::all_of(block.begin() + 12, block.end(), [](uint8_t b) { return b == 0; }));

  // 256 parts fill 2 + 2048 + 2 bytes; the list must fit its block and not be empty.
  FlashPartList many(256);
  EXPECT_TRUE(WritePartListBlock(many, block));
  EXPECT_FALSE(WritePartListBlock(many, std::span<uint8_t>(block).first(2051)));
  EXPECT_FALSE(WritePartListBlock(FlashPartList(257), block));
  EXPECT_FALSE(WritePartListBlock(FlashPartList{}, block));
}

TEST_F(BurnOnTool, PartsAreAnnouncedListedAndNumberedAcrossParts) {
  SetBlockSizes(512, 4096);
  const PartFiles parts = MakeParts(dir, {8192, 4096});
  std::vector<std::pair<FirmwareKind, uint32_t>> announced;
  auto notify = [&](FirmwareKind kind, uint32_t size) {
    announced.emplace_back(kind, size);
    return Announce(kind, size);
  };
  BurnStats stats;
  ASSERT_TRUE(BurnParts(host, uart, FirmwareKind::kFlash, parts.list, Block(FirmwareKind::kFlash),
                        notify, &stats));
  ASSERT_EQ(announced.size(), 1u);
  EXPECT_EQ(announced[0].first, FirmwareKind::kFlash);
  EXPECT_EQ(announced[0].second, 16384u);
  EXPECT_EQ(BlockNumbers(tool.storage().Blocks()), Iota(4));
  EXPECT_EQ(stats.blocksAcked, 4u);
  // The gauge follows the part blocks only.
  EXPECT_EQ(host.LastGaugeMax(), 4);
  EXPECT_EQ(host.GaugePositions(), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(host.statusTexts, std::vector<std::string>{"Burning...FLASH"});

  const std::vector<sim::StoredPart> stored = tool.storage().Parts();
  ASSERT_EQ(stored.size(), 2u);
  for (size_t i = 0; i < stored.size(); ++i) {
    EXPECT_EQ(stored[i].record, parts.list[i].record);
    EXPECT_EQ(stored[i].data, parts.bytes[i]) << i;
  }
}

TEST_F(BurnOnTool, FirstPartsTableBecomesTheToolsSoTheNextSelectionIsMinimal) {
  SetBlockSizes(512, kPartListBlockSize);
  // Part 1 is large enough to carry the table at its fixed offset.
  const std::vector<PartEntry> table =
      test::MakePartTable({{12288, 1}, {4096, 2}, {8192, 3}, {4096, 4}});
  const test::FlashPartFiles files = test::WriteFlashPartFiles(dir.path(), table);
  ASSERT_EQ(files.paths.size(), 4u);
  sim::Identity identity = tool.identity();
  identity.noPartTable = true;
  tool.SetIdentity(identity);

  FlashPartList list;
  SelectAllFlashPartsFromTable(
      [&] {
        FlashPartTable t;
        EXPECT_EQ(ReadPartTable(files.paths[0], t), PartTableRead::kOk);
        return t;
      }(),
      list);
  ASSERT_EQ(list.size(), 4u);
  for (FlashPart& part : list)
    part.localPath = files.paths[static_cast<size_t>(part.entryIndex) - 1];
  // Bound to the device command, as the internet upgrade binds it.
  ASSERT_TRUE(
      BurnParts(host, uart, FirmwareKind::kFlash, list, Block(FirmwareKind::kFlash),
                [&](FirmwareKind k, uint32_t s) { return NotifyFirmwareSize(host, uart, k, s); }));
  EXPECT_EQ(tool.storage().Announced(FirmwareKind::kFlash), 28672u + kPartListAnnounceExtra);

  // Every part sits at its address with the bytes of its file.
  const auto flash = tool.storage().Flash();
  for (size_t k = 1; k < table.size(); ++k) {
    ASSERT_EQ(flash.count(PartEntryAddress(table[k])), 1u) << k;
    EXPECT_EQ(flash.at(PartEntryAddress(table[k])), ReadFileBytes(files.paths[k - 1])) << k;
  }
  // The tool now reports the burnt table, so a new differential selection keeps only part 1.
  const sim::Identity after = tool.identity();
  EXPECT_FALSE(after.noPartTable);
  ASSERT_EQ(after.parts.size(), table.size());
  EXPECT_TRUE(std::equal(table.begin(), table.end(), after.parts.begin()));
  FlashPartTable fileTable;
  ASSERT_EQ(ReadPartTable(files.paths[0], fileTable), PartTableRead::kOk);
  FlashPartList again;
  ASSERT_TRUE(SelectFlashPartsFromTable(fileTable, after.parts,
                                        static_cast<int32_t>(after.parts.size()),
                                        static_cast<int>(files.paths.size()), again));
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].entryIndex, 1);
}

TEST_F(BurnOnTool, PartBurnRefusesBeforeAnnouncingWhatCannotComplete) {
  SetBlockSizes(512, 4096);
  const PartFiles good = MakeParts(dir, {4096, 8192});
  int notified = 0;
  auto notify = [&](FirmwareKind, uint32_t) {
    ++notified;
    return true;
  };
  PartFiles odd = MakeParts(dir, {4096, 5000}, "odd");  // not whole blocks
  FlashPartList missing = good.list;
  missing[1].localPath = dir.File("nowhere.fls");
  FlashPartList shortFile = good.list;
  shortFile[1].size = 12288;  // longer than its file
  EXPECT_FALSE(
      BurnParts(host, uart, FirmwareKind::kFlash, odd.list, Block(FirmwareKind::kFlash), notify));
  EXPECT_FALSE(
      BurnParts(host, uart, FirmwareKind::kFlash, missing, Block(FirmwareKind::kFlash), notify));
  EXPECT_FALSE(
      BurnParts(host, uart, FirmwareKind::kFlash, shortFile, Block(FirmwareKind::kFlash), notify));
  EXPECT_FALSE(BurnParts(host, uart, FirmwareKind::kFlash, FlashPartList{},
                         Block(FirmwareKind::kFlash), notify));
  EXPECT_FALSE(
      BurnParts(host, uart, FirmwareKind::kFlash, good.list, Block(FirmwareKind::kFlash), nullptr));
  SetBlockSizes(512, 0);
  EXPECT_FALSE(
      BurnParts(host, uart, FirmwareKind::kFlash, good.list, Block(FirmwareKind::kFlash), notify));
  EXPECT_EQ(notified, 0);
  // A refused announcement ends it too, still before any block.
  SetBlockSizes(512, 4096);
  EXPECT_FALSE(BurnParts(host, uart, FirmwareKind::kFlash, good.list, Block(FirmwareKind::kFlash),
                         [&](FirmwareKind, uint32_t) { return false; }));
  EXPECT_EQ(BlocksSent(), 0);
}

TEST_F(BurnOnTool, PartDataGetsTenAttemptsTheListBlockThree) {
  SetBlockSizes(512, 4096);
  const PartFiles parts = MakeParts(dir, {4096, 4096});
  auto notify = [&](FirmwareKind k, uint32_t s) { return Announce(k, s); };

  // Block 2 (data) refused five times: more than three attempts carry it through.
  tool.AddFault({sim::Fault::kBadStatus, kCmdBurnBlock.code, 2, 5});
  ASSERT_TRUE(
      BurnParts(host, uart, FirmwareKind::kFlash, parts.list, Block(FirmwareKind::kFlash), notify));
  EXPECT_EQ(BlocksSent(), 3 + 5);
  EXPECT_EQ(tool.storage().Parts().size(), 2u);

  // Ten refusals are one too many.
  tool.storage().Clear();
  tool.AddFault({sim::Fault::kBadStatus, kCmdBurnBlock.code, 1, 10});
  BurnStats stats;
  EXPECT_FALSE(BurnParts(host, uart, FirmwareKind::kFlash, parts.list, Block(FirmwareKind::kFlash),
                         notify, &stats));
  EXPECT_EQ(stats.failedBlock, 1);
  EXPECT_EQ(BlocksSent(), 8 + 1 + 10);

  // The list block has three.
  tool.ClearFaults();
  tool.AddFault({sim::Fault::kBadStatus, kCmdBurnBlock.code, 0, 3});
  EXPECT_FALSE(BurnParts(host, uart, FirmwareKind::kFlash, parts.list, Block(FirmwareKind::kFlash),
                         notify, &stats));
  EXPECT_EQ(stats.failedBlock, 0);
  EXPECT_EQ(BlocksSent(), 19 + 3);
}

TEST_F(BurnOnTool, ClosingDuringAPartBurnFails) {
  SetBlockSizes(512, 4096);
  const PartFiles parts = MakeParts(dir, {8192, 4096});
  host.onGaugePos = [&](int pos) {
    if (pos == 3) host.state().appClosing = true;
  };
  BurnStats stats;
  EXPECT_FALSE(BurnParts(
      host, uart, FirmwareKind::kFlash, parts.list, Block(FirmwareKind::kFlash),
      [&](FirmwareKind k, uint32_t s) { return Announce(k, s); }, &stats));
  EXPECT_TRUE(stats.closing);
  EXPECT_EQ(BlocksSent(), 2);  // the list and the first data block
  EXPECT_TRUE(tool.storage().Parts().empty());
}

// --- the test transfer -------------------------------------------------------------------------

TEST_F(BurnOnTool, TestTransferSendsFlashIn512ByteBlocksWithItsOwnTexts) {
  SetBlockSizes(0, 0);  // not used by the test transfer
  const std::string path = WriteImage("probe.bin", 1300, 11);
  // Five refusals of one block are within its six attempts.
  tool.AddFault({sim::Fault::kBadStatus, kCmdBurnBlock.code, 1, 5});
  ASSERT_TRUE(BurnTestFile(host, uart, path));
  EXPECT_EQ(host.LastGaugeMax(), 3);
  EXPECT_EQ(host.statusTexts,
            (std::vector<std::string>{"Erasing, please wait...", "Burning...probe.bin"}));
  const auto blocks = tool.storage().Blocks();
  ASSERT_EQ(BlockNumbers(blocks), Iota(3));
  EXPECT_EQ(blocks[0].kind, FirmwareKind::kFlash);
  EXPECT_EQ(blocks[0].dataSize, 512u);
  Bytes expected = ReadFileBytes(path);
  expected.resize(1536, 0);
  EXPECT_EQ(tool.storage().Image(FirmwareKind::kFlash), std::optional<Bytes>(expected));

  tool.AddFault({sim::Fault::kBadStatus, kCmdBurnBlock.code, 0, 6});
  EXPECT_FALSE(BurnTestFile(host, uart, path));
}

}  // namespace
}  // namespace vortik
