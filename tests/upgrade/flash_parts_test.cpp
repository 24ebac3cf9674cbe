#include "upgrade/flash_parts.h"

#include <gtest/gtest.h>

#include <vector>

#include "upgrade/firmware_file.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

using test::MakePartTable;
using test::ScopedTempDir;
using test::WriteFileBytes;
using test::WriteFlashFirstPart;

constexpr size_t kDeviceCapacity = 540;
using DeviceTable = std::array<PartEntry, kDeviceCapacity>;

std::vector<int> Indices(const FlashPartList& list) {
  std::vector<int> out;
  for (const FlashPart& p : list) out.push_back(p.entryIndex);
  return out;
}

// A first part with M = 6 entries (N = 7): parts 1..5, served as a five-item "fls" list.
class FlashPartsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    ASSERT_TRUE(WriteFlashFirstPart(first, table));
  }
  // The tool's table as a copy of the file's.
  DeviceTable DeviceCopy() const {
    DeviceTable device{};
    std::copy(table.begin(), table.end(), device.begin());
    return device;
  }

  ScopedTempDir dir;
  std::string first = dir.File("part1.fls");
  std::vector<PartEntry> table = MakePartTable(
      {{12288, 0x0101}, {8192, 0x0202}, {4096, 0x0303}, {4096, 0x0404}, {0x00012000, 0x0505}});
  uint16_t flashBlockSize = 512;
  FlashPartList list;
};

struct DiffCase {
  const char* name;
  int32_t deviceCount;
  std::vector<std::pair<int, PartEntry>> deviceChanges;  // entries of the tool that differ
  std::vector<int> expected;
};

TEST_F(FlashPartsTest, DifferentialSelectionTakesChangedAndNewPartsThenTheFirst) {
  const PartEntry other = MakePartEntry(0xDEAD0000, 4096, 0x7777);
  const std::vector<DiffCase> cases = {
      {"equal tables", 6, {}, {1}},
      {"no device table", 0, {}, {2, 3, 4, 5, 1}},
      {"device with one entry", 1, {}, {2, 3, 4, 5, 1}},
      {"tag only differs",
       6,
       {{3, MakePartEntry(PartEntryAddress(table[3]), 4096, 0x0304)}},
       {3, 1}},
      {"address and size differ",
       6,
       {{2, MakePartEntry(1, 8192, 0x0202)},
        {4, MakePartEntry(PartEntryAddress(table[4]), 1, 0x0404)}},
       {2, 4, 1}},
      {"device lacks later parts", 4, {}, {4, 5, 1}},
      {"surplus device entries ignored", 10, {{6, other}, {9, other}}, {1}},
      {"entry 1 differs, listed once", 6, {{1, other}}, {1}},
  };
  for (const DiffCase& c : cases) {
    SCOPED_TRACE(c.name);
    DeviceTable device = DeviceCopy();
    for (const auto& [k, entry] : c.deviceChanges) device[static_cast<size_t>(k)] = entry;
    ASSERT_TRUE(SelectFlashParts(first, device, c.deviceCount, 5, flashBlockSize, list));
    EXPECT_EQ(Indices(list), c.expected);
  }
}

TEST_F(FlashPartsTest, PartsCarryTheirRecordAndDecodedSize) {
  ASSERT_TRUE(SelectAllFlashParts(first, flashBlockSize, list));
  EXPECT_EQ(flashBlockSize, kPartListBlockSize);
  ASSERT_EQ(Indices(list), (std::vector<int>{2, 3, 4, 5, 1}));
  for (const FlashPart& part : list) {
    const PartEntry& entry = table[static_cast<size_t>(part.entryIndex)];
    EXPECT_TRUE(std::equal(part.record.begin(), part.record.end(), entry.begin()));
    EXPECT_EQ(part.size, PartEntrySize(entry));
    EXPECT_TRUE(part.localPath.empty());
  }
  EXPECT_EQ(list[3].size, 0x00012000u);
  EXPECT_EQ(list[3].record[6], 0x20);  // big-endian, as announced to the tool
}

TEST_F(FlashPartsTest, ItemCountMustMatchTheTableForTheDifferentialSelectionOnly) {
  const DeviceTable device = DeviceCopy();
  for (int fls : {4, 6, 0, -1}) {
    EXPECT_FALSE(SelectFlashParts(first, device, 6, fls, flashBlockSize, list)) << fls;
    EXPECT_TRUE(list.empty());
  }

  // N = 8: seven entries against a five-item list.
  table.push_back(MakePartEntry(0x40000, 4096, 0x0606));
  ASSERT_TRUE(WriteFlashFirstPart(first, table));
  EXPECT_FALSE(SelectFlashParts(first, device, 0, 5, flashBlockSize, list));
  EXPECT_TRUE(SelectFlashParts(first, device, 0, 6, flashBlockSize, list));
  ASSERT_TRUE(SelectAllFlashParts(first, flashBlockSize, list));
  EXPECT_EQ(Indices(list), (std::vector<int>{2, 3, 4, 5, 6, 1}));
}

TEST_F(FlashPartsTest, DeviceCountIsLimitedToTheTableGiven) {
  // A count larger than the table passed must not read past it: entries beyond count as new.
  const DeviceTable device = DeviceCopy();
  ASSERT_TRUE(SelectFlashParts(first, std::span(device.data(), 4), 540, 5, flashBlockSize, list));
  EXPECT_EQ(Indices(list), (std::vector<int>{4, 5, 1}));
  ASSERT_TRUE(SelectFlashParts(first, device, -3, 5, flashBlockSize, list));
  EXPECT_EQ(Indices(list), (std::vector<int>{2, 3, 4, 5, 1}));
}

TEST_F(FlashPartsTest, UnusableCountsAreRefusedAfterTheBlockSizeIsSet) {
  // N below 3 describes no first part; above 258 the table outgrows a 256-item list.
  for (uint16_t n : {0, 1, 2, 259, 0xFFFF}) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(WriteFileBytes(first, test::FlashFirstPartBytes(n, table)));
    flashBlockSize = 512;
    EXPECT_FALSE(SelectAllFlashParts(first, flashBlockSize, list));
    EXPECT_EQ(flashBlockSize, kPartListBlockSize);
    EXPECT_FALSE(SelectFlashParts(first, DeviceCopy(), 0, n - 2, flashBlockSize, list));
    EXPECT_TRUE(list.empty());
  }
  // A file that ends before the table reads N as 0.
  ASSERT_TRUE(WriteFileBytes(first, std::vector<uint8_t>(8192, 0x01)));
  EXPECT_FALSE(SelectAllFlashParts(first, flashBlockSize, list));
}

TEST_F(FlashPartsTest, LargestTableGivesTwoHundredFiftySixParts) {
  std::vector<test::PartDef> parts(256, test::PartDef{4096, 0x0001});
  table = MakePartTable(parts);  // M = 257, N = 258
  ASSERT_TRUE(WriteFlashFirstPart(first, table));
  ASSERT_TRUE(SelectAllFlashParts(first, flashBlockSize, list));
  ASSERT_EQ(list.size(), 256u);
  EXPECT_EQ(list.front().entryIndex, 2);
  EXPECT_EQ(list[254].entryIndex, 256);
  EXPECT_EQ(list.back().entryIndex, 1);
  ASSERT_TRUE(SelectFlashParts(first, DeviceTable{}, 0, 256, flashBlockSize, list));
  EXPECT_EQ(list.size(), 256u);
}

TEST_F(FlashPartsTest, ShortTableReadsMissingEntriesAsZero) {
  // N = 7 claims six entries but the file ends after three.
  ASSERT_TRUE(WriteFileBytes(first, test::FlashFirstPartBytes(7, std::span(table.data(), 3))));
  ASSERT_TRUE(SelectAllFlashParts(first, flashBlockSize, list));
  ASSERT_EQ(Indices(list), (std::vector<int>{2, 3, 4, 5, 1}));
  EXPECT_EQ(list[0].size, 8192u);
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(list[i].size, 0u);
    EXPECT_EQ(list[i].record, (std::array<uint8_t, 8>{}));
  }
  // Against a tool whose entries 3..5 are zero as well, nothing but the first part differs.
  DeviceTable device{};
  std::copy_n(table.begin(), 3, device.begin());
  ASSERT_TRUE(SelectFlashParts(first, device, 6, 5, flashBlockSize, list));
  EXPECT_EQ(Indices(list), (std::vector<int>{1}));
}

TEST_F(FlashPartsTest, MissingFirstPartFailsWithoutTouchingTheBlockSize) {
  for (const std::string& path : {dir.File("absent.fls"), dir.path()}) {
    EXPECT_FALSE(SelectAllFlashParts(path, flashBlockSize, list));
    EXPECT_FALSE(SelectFlashParts(path, DeviceCopy(), 0, 5, flashBlockSize, list));
  }
  EXPECT_EQ(flashBlockSize, 512);
}

TEST(FlashPartFilesTest, WrittenPartsMatchTheirTable) {
  ScopedTempDir dir;
  const auto table = MakePartTable({{12288, 1}, {8192, 2}, {4096, 3}});
  const test::FlashPartFiles files = test::WriteFlashPartFiles(dir.path(), table);
  ASSERT_EQ(files.paths.size(), 3u);
  uint16_t blockSize = 0;
  FlashPartList list;
  ASSERT_TRUE(SelectAllFlashParts(files.paths[0], blockSize, list));
  for (const FlashPart& part : list) {
    const std::string& path = files.paths[static_cast<size_t>(part.entryIndex - 1)];
    EXPECT_EQ(FirmwareFileSize(path), part.size) << path;
  }
}

}  // namespace
}  // namespace vortik
