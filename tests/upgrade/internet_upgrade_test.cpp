#include "upgrade/internet_upgrade.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download_fixture.h"
#include "upgrade/downloads.h"

namespace vortik {
namespace {

using test::Bytes;

TEST(CompareVersions, ComparesUpToThreeNumericComponents) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {
      {"1.10", "1.9", 1},
      {"1.9", "1.10", -1},
      {"1.2", "1.2", 0},
      {"1.2", "1.2.7", 0},  // a text that runs out of components ends the comparison
      {"1.2.7", "1.2", 0},
      {"1.2", "1.2.0.5", 0},
      {"1.2.3.4", "1.2.3.5", 0},  // a fourth component is never read
      {"1.2.3", "1.2.4", -1},
      {"2.0", "1.99.99", 1},
      {" 1.5", "1.4", 1},  // leading blanks and signs are read as numbers are
      {"+1.5", "1.5", 0},
      {"-1.0", "0.9", -1},
      {"1.-2", "1.0", -1},
      {"V1.2", "0.2", 0},  // no digits read as 0
      {"V1.2", "0.1", 1},
      {"", "0", 0},
      {"", "1", -1},
      {"1.2a.9", "1.2.3", 1},  // a component ends at its first non-digit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(CompareVersions(c.a, c.b), c.expected);
  }
  // Text ends at a NUL, as in the tool's fixed fields.
  EXPECT_EQ(CompareVersions(std::string_view("1.2\0.9", 6), "1.2.5"), 0);
}

// Parts 1..4 of a parted FLASH image on the fixture server, with the offer that lists them.
class FlashPartsDownload : public test::DownloadFixture {
 protected:
  void SetUp() override {
    DownloadFixture::SetUp();
    table_ = test::MakePartTable({{9000, 1}, {5000, 1}, {7000, 1}, {3000, 1}});
    const std::string files = sim_->Root() + "/files/flash";
    ASSERT_TRUE(std::filesystem::create_directories(files));
    test::FlashPartFiles written = test::WriteFlashPartFiles(files, table_);
    ASSERT_EQ(written.paths.size(), 4u);
    for (size_t i = 0; i < written.paths.size(); ++i) {
      offered_.parts.push_back(
          {Url("flash/part" + std::to_string(i + 1) + ".fls"), written.md5[i]});
    }
    // The tool has the same table, apart from part 3.
    MainState& state = host_.state();
    state.device.parts.assign(table_.begin(), table_.end());
    state.device.parts[3][9] = 0;
  }

  std::vector<int> Entries() const {
    std::vector<int> out;
    for (const FlashPart& part : list_) out.push_back(part.entryIndex);
    return out;
  }
  std::vector<int> FetchCounts() const {
    std::vector<int> out;
    for (int k = 1; k <= 4; ++k) out.push_back(Fetches("flash/part" + std::to_string(k) + ".fls"));
    return out;
  }

  std::vector<PartEntry> table_;
  FlashPartTables offered_;
  FlashPartList list_;
  uint16_t blockSize_ = 0;
};

TEST_F(FlashPartsDownload, FetchesOnlyChangedPartsAndTheFirstLast) {
  MainState& state = host_.state();
  state.progressMode = 1;  // ROM fetched in the same run
  state.romProgressSize = 1000;
  ASSERT_TRUE(DownloadFlashParts(host_, offered_, false, list_, blockSize_));
  EXPECT_EQ(Entries(), (std::vector<int>{3, 1}));
  EXPECT_EQ(FetchCounts(), (std::vector<int>{1, 0, 1, 0}));
  EXPECT_EQ(list_[0].localPath, Local("part3.fls"));
  EXPECT_EQ(list_[1].localPath, Local("part1.fls"));
  EXPECT_EQ(blockSize_, kPartListBlockSize);
  EXPECT_TRUE(host_.messages.empty());
  // The first part scales the gauge by a fixed size, the others by their own.
  EXPECT_EQ(host_.GaugeMaxima(), (std::vector<int>{1000 + kFirstFlashPartGaugeSize, 1000 + 7000}));
  EXPECT_EQ(state.progressMode, 2);

  // A second run finds every part in the temporary folder.
  list_.clear();
  ASSERT_TRUE(DownloadFlashParts(host_, offered_, false, list_, blockSize_));
  EXPECT_EQ(Entries(), (std::vector<int>{3, 1}));
  EXPECT_EQ(FetchCounts(), (std::vector<int>{1, 0, 1, 0}));
}

TEST_F(FlashPartsDownload, ChangedChoiceFetchesEveryPart) {
  ASSERT_TRUE(DownloadFlashParts(host_, offered_, true, list_, blockSize_));
  EXPECT_EQ(Entries(), (std::vector<int>{2, 3, 4, 1}));
  EXPECT_EQ(FetchCounts(), (std::vector<int>{1, 1, 1, 1}));
  for (size_t j = 0; j < list_.size(); ++j) {
    EXPECT_EQ(list_[j].localPath, Local("part" + std::to_string(list_[j].entryIndex) + ".fls"));
  }
  // Only the tool's part table decides otherwise: an identical one needs the first part only.
  host_.state().device.parts[3][9] = 1;
  ASSERT_TRUE(DownloadFlashParts(host_, offered_, false, list_, blockSize_));
  EXPECT_EQ(Entries(), std::vector<int>{1});
  EXPECT_EQ(list_[0].localPath, Local("part1.fls"));
}

TEST_F(FlashPartsDownload, FailuresShowOneMessage) {
  const std::vector<std::string> flashFailed = {"Fail to download flash DTC files!"};
  // The server lists fewer parts than the table holds: the differential selection refuses.
  FlashPartTables shortList = offered_;
  shortList.parts.pop_back();
  EXPECT_FALSE(DownloadFlashParts(host_, shortList, false, list_, blockSize_));
  EXPECT_EQ(host_.messages, flashFailed);

  // The full selection takes the table as it is; a part the list lacks fails, never reads
  // past the list.
  host_.Clear();
  EXPECT_FALSE(DownloadFlashParts(host_, shortList, true, list_, blockSize_));
  EXPECT_EQ(host_.messages, flashFailed);

  host_.Clear();
  EXPECT_FALSE(DownloadFlashParts(host_, FlashPartTables{}, false, list_, blockSize_));
  EXPECT_EQ(host_.messages, flashFailed);

  // A part that fails its digest check: that one message, nothing more.
  host_.Clear();
  sim::SimFault corrupted;
  corrupted.wrongDigest = true;
  sim_->SetFault("/flash/part3.fls", corrupted);
  std::filesystem::remove(Local("part3.fls"));  // fetched by the full selection above
  EXPECT_FALSE(DownloadFlashParts(host_, offered_, false, list_, blockSize_));
  EXPECT_EQ(host_.messages,
            std::vector<std::string>{"check flash file MD5 failure, please update again!"});

  // A first part without a usable table.
  host_.Clear();
  const std::string digest = Serve("flash/bare.fls", Bytes(100, 9));
  FlashPartTables bare;
  bare.parts.push_back({Url("flash/bare.fls"), digest});
  EXPECT_FALSE(DownloadFlashParts(host_, bare, true, list_, blockSize_));
  EXPECT_EQ(host_.messages, flashFailed);
}

}  // namespace
}  // namespace vortik
