// The upgrade history: the file's records survive a crash mid-write, and every way an internet
// upgrade or a local flash ends leaves exactly one record that says so.
#include "upgrade/history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/frame.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "download_fixture.h"
#include "platform/file_ops.h"
#include "scantool_sim.h"
#include "update_server_sim.h"
#include "upgrade/catalogue.h"
#include "upgrade/internet_upgrade.h"
#include "upgrade/local_upgrade.h"

namespace vortik {
namespace {

UpgradeRecord SampleRecord(const std::string& outcome) {
  UpgradeRecord r;
  r.time = "2024-05-01T12:00:00Z";
  r.kind = "internet";
  r.toolType = "TQ460";
  r.toolSubtype = "EU";
  r.toolId = "000000000001";
  r.romBefore = "1.1.0";
  r.romAfter = "1.2.0";
  r.flashBefore = r.flashAfter = "2.0.0";
  r.files = {{"ROM", "TQ460.rom", 6000, "0123456789abcdef0123456789abcdef"}};
  r.blocksSent = 12;
  r.blocksRetried = 1;
  r.outcome = outcome;
  r.success = outcome == "burned";
  r.message = "Fail to nofity firmware size to device!\nUpgrade finished! \"é\"";
  return r;
}

std::string FileText(const std::string& path) {
  std::string text;
  EXPECT_TRUE(platform::ReadWholeFile(path, text, 1 << 20));
  return text;
}

TEST(HistoryFile, RecordsRoundTripOneLineEach) {
  test::ScopedTempDir dir;
  const std::string path = dir.File("state/vortik/history.jsonl");  // folders made on the way
  ASSERT_TRUE(AppendHistoryRecord(path, SampleRecord("burned")));
  ASSERT_TRUE(AppendHistoryRecord(path, SampleRecord("rom-burn-failed")));
  const std::string text = FileText(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
  const std::vector<UpgradeRecord> records = ReadHistory(path);
  ASSERT_EQ(records.size(), 2u);
  const UpgradeRecord& r = records[0];
  const UpgradeRecord want = SampleRecord("burned");
  EXPECT_EQ(r.time, want.time);
  EXPECT_EQ(r.toolId, want.toolId);
  EXPECT_EQ(r.romAfter, "1.2.0");
  ASSERT_EQ(r.files.size(), 1u);
  EXPECT_EQ(r.files[0].size, 6000);
  EXPECT_EQ(r.files[0].md5, want.files[0].md5);
  EXPECT_EQ(r.blocksSent, 12u);
  EXPECT_EQ(r.blocksRetried, 1u);
  EXPECT_EQ(r.message, want.message);
  EXPECT_TRUE(r.success);
  EXPECT_EQ(records[1].outcome, "rom-burn-failed");
  EXPECT_FALSE(records[1].success);
  EXPECT_TRUE(ReadHistory(dir.File("missing.jsonl")).empty());
}

TEST(HistoryFile, CrashMidWriteLosesOnlyTheUnfinishedRecord) {
  test::ScopedTempDir dir;
  const std::string path = dir.File("history.jsonl");
  ASSERT_TRUE(AppendHistoryRecord(path, SampleRecord("burned")));
  ASSERT_TRUE(AppendHistoryRecord(path, SampleRecord("no-offer")));
  // What a crash half-way through the third write leaves: the line's first half, no line end.
  const std::string third = HistoryRecordJson(SampleRecord("flash-burn-failed"));
  {
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << third.substr(0, third.size() / 2);
  }
  std::vector<UpgradeRecord> records = ReadHistory(path);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].outcome, "no-offer");

  // The next run appends on a line of its own and every complete record reads back.
  ASSERT_TRUE(AppendHistoryRecord(path, SampleRecord("rom-wrong-digest")));
  records = ReadHistory(path);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].outcome, "burned");
  EXPECT_EQ(records[1].outcome, "no-offer");
  EXPECT_EQ(records[2].outcome, "rom-wrong-digest");
  const std::string text = FileText(path);
  EXPECT_EQ(text.substr(text.size() - 1), "\n");

  // A cut that ends exactly at a line end of the fragment is no record either.
  EXPECT_FALSE(ParseHistoryRecord(third.substr(0, third.size() - 1)).has_value());
  EXPECT_FALSE(ParseHistoryRecord("{}").has_value());
}

TEST(HistoryFile, FormatsInTheChosenLanguage) {
  TextTable texts;
  texts.Set(TextId::HistoryOutcome, "Ergebnis");
  texts.Set(TextId::HistorySucceeded, "erfolgreich");
  texts.Set(TextId::HistoryInternet, "Internet-Aktualisierung");
  const std::string text = FormatHistoryRecord(SampleRecord("burned"), texts);
  EXPECT_NE(text.find("2024-05-01T12:00:00Z  Internet-Aktualisierung"), std::string::npos) << text;
  EXPECT_NE(text.find("Ergebnis: erfolgreich (burned)"), std::string::npos) << text;
  EXPECT_NE(text.find("ROM 1.1.0 \u2192 1.2.0, FLASH 2.0.0"), std::string::npos) << text;
  EXPECT_NE(text.find("ROM TQ460.rom 6000 B MD5 0123456789abcdef"), std::string::npos) << text;
  EXPECT_NE(text.find("ID 000000000001"), std::string::npos) << text;
}

// The internet upgrade and the local flash against the emulated tool (the demo's extended
// tool, one version behind) and the demo's server content, with the history kept in a file.
class UpgradeHistory : public test::DownloadFixture {
 protected:
  void SetUp() override {
    DownloadFixture::SetUp();
    ASSERT_TRUE(sim::WriteDemoContent(sim_->Root()));
    ASSERT_TRUE(tool_.Start());
    uart_.fSetBaudRate(1000000);
    uart_.fSetPort(Ports().Register(tool_.path()));
    ASSERT_TRUE(uart_.Open());
    historyPath_ = dir_.File("state/history.jsonl");
    host_.services().recordHistory = FileHistorySink(historyPath_);
    host_.state().internetConnected = true;
  }

  // One run; the records it added.
  std::vector<UpgradeRecord> Run() {
    const size_t before = ReadHistory(historyPath_).size();
    host_.Clear();
    CatalogueState catalogue;
    RunInternetUpgrade(host_, uart_, catalogue, config_);
    std::vector<UpgradeRecord> all = ReadHistory(historyPath_);
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
  }

  sim::ScanToolSim tool_{[] {
    sim::Options o;
    o.identity = sim::DemoIdentity();
    return o;
  }()};
  TSyncUart uart_;
  std::string historyPath_;
};

TEST_F(UpgradeHistory, SuccessRecordsToolVersionsFilesAndBlocks) {
  const std::vector<UpgradeRecord> records = Run();
  ASSERT_EQ(records.size(), 1u);
  const UpgradeRecord& r = records[0];
  EXPECT_EQ(r.kind, "internet");
  EXPECT_EQ(r.outcome, "burned");
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.toolType, "TQ460");
  EXPECT_EQ(r.toolSubtype, "EU");
  EXPECT_EQ(r.toolId, "000000000001");
  EXPECT_EQ(r.romBefore, "1.1.0");
  EXPECT_EQ(r.flashBefore, "2.0.0");
  EXPECT_EQ(r.romAfter, "1.2.0");
  EXPECT_EQ(r.flashAfter, "2.1.0");
  EXPECT_EQ(r.message, "Upgrade finished!");
  EXPECT_EQ(r.message, host_.messages.back());
  // The ROM, then the changed part 3 and the first part, each as fetched and verified.
  ASSERT_EQ(r.files.size(), 3u);
  EXPECT_EQ(r.files[0].kind, "ROM");
  EXPECT_EQ(r.files[0].name, "TQ460.rom");
  EXPECT_EQ(r.files[1].name, "TQ460_3.fls");
  EXPECT_EQ(r.files[2].name, "TQ460_1.fls");
  for (const UpgradeRecordFile& f : r.files) {
    EXPECT_EQ(f.size, platform::FileSize(Local(f.name))) << f.name;
    EXPECT_EQ(CheckFileMd5(Local(f.name), f.md5), 0) << f.name;
  }
  EXPECT_EQ(r.blocksSent, static_cast<uint32_t>(tool_.RequestCount(kCmdBurnBlock.code)));
  EXPECT_EQ(r.blocksRetried, 0u);
}

TEST_F(UpgradeHistory, EachFailureClassLeavesOneRecordWithItsMessage) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    const char* outcome;
    const char* message;
  };
  auto toolFault = [this](sim::Fault fault, uint16_t command, int skip, int count) {
    return [=, this] { tool_.AddFault({fault, command, skip, count}); };
  };
  auto serverFault = [this](const std::string& path, const sim::SimFault& fault) {
    return [=, this] { sim_->SetFault(path, fault); };
  };
  sim::SimFault status500;
  status500.status = 500;
  sim::SimFault corrupted;
  corrupted.wrongDigest = true;
  sim::SimFault cut;
  cut.truncateAfter = 1000;
  const Case cases[] = {
      {"not connected", [this] { host_.state().internetConnected = false; }, "not-connected",
       "Internet is not connected!"},
      {"tool silent", toolFault(sim::Fault::kSilent, kCmdRequestDeviceInfo.code, 0, -1),
       "no-device-info", "Fail to request device info!"},
      {"server error", serverFault(sim::kUpdateEndpoint, status500), "no-offer",
       "Fail to request server, pelease try later!"},
      {"version refused", toolFault(sim::Fault::kBadStatus, kCmdNotifyLatestVersion.code, 0, -1),
       "version-not-taken", "Fail to nofity latest version to device!"},
      {"ROM cut short", serverFault("/rom/TQ460.rom", cut), "rom-fetch-failed",
       "Fail to download rom upgrade files!"},
      {"ROM corrupted", serverFault("/rom/TQ460.rom", corrupted), "rom-wrong-digest",
       "check rom file MD5 failure, please update again!"},
      {"FLASH part corrupted", serverFault("/flash/TQ460_3.fls", corrupted), "flash-wrong-digest",
       "check flash file MD5 failure, please update again!"},
      {"ROM block refused", toolFault(sim::Fault::kBadStatus, kCmdBurnBlock.code, 3, -1),
       "rom-burn-failed", "Burn ROM fail!"},
      {"up to date",
       [this] {
         tool_.SetIdentity([] {
           sim::Identity id = sim::DemoIdentity();
           id.romVersion = "1.2.0";
           id.flashVersion = "2.1.0";
           return id;
         }());
       },
       "up-to-date", "Nothing to be upgrade, The local device is alread the latest!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tool_.ClearFaults();
    tool_.SetIdentity(sim::DemoIdentity());
    sim_->ClearFaults();
    host_.state().internetConnected = true;
    for (const auto& e : std::filesystem::directory_iterator(tmp_)) std::filesystem::remove(e);
    c.arrange();
    const std::vector<UpgradeRecord> records = Run();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].outcome, c.outcome);
    EXPECT_EQ(records[0].success, std::string(c.outcome) == "up-to-date");
    EXPECT_EQ(records[0].message, c.message);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0], c.message);
  }
}

TEST_F(UpgradeHistory, RetriesWithinTheLimitAreCountedInASuccess) {
  tool_.AddFault({sim::Fault::kBadStatus, kCmdBurnBlock.code, 5, 2});
  tool_.AddFault({sim::Fault::kBadCrc, kCmdBurnBlock.code, 40, 1});
  const std::vector<UpgradeRecord> records = Run();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].outcome, "burned");
  EXPECT_EQ(records[0].blocksRetried, 3u);
  EXPECT_EQ(records[0].blocksSent + 3,
            static_cast<uint32_t>(tool_.RequestCount(kCmdBurnBlock.code)));
}

// A file that arrived but failed its size or digest check is not left under its final name,
// where the next run's reuse check or the Local Upgrade page's file picker would meet it.
TEST_F(UpgradeHistory, FailedChecksLeaveNoFileUnderItsFinalName) {
  sim::Identity legacy;
  legacy.form = sim::Identity::InfoForm::kShort54;
  legacy.type = "TQ850";
  legacy.romVersion = legacy.flashVersion = "1.0.0";
  struct Case {
    const char* path;
    bool legacyTool;
    const char* local;
    const char* outcome;
  };
  const Case cases[] = {
      {"/rom/TQ460.rom", false, "TQ460.rom", "rom-wrong-digest"},
      {"/flash/TQ460_3.fls", false, "TQ460_3.fls", "flash-wrong-digest"},
      {"/legacy/rom.bin", true, "rom.bin", "rom-wrong-digest"},
      {"/legacy/flash.bin", true, "flash.bin", "flash-wrong-digest"},
  };
  sim::SimFault corrupted;
  corrupted.wrongDigest = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    sim_->ClearFaults();
    sim_->SetFault(c.path, corrupted);
    tool_.SetIdentity(c.legacyTool ? legacy : sim::DemoIdentity());
    for (const auto& e : std::filesystem::directory_iterator(tmp_)) std::filesystem::remove(e);
    const std::vector<UpgradeRecord> records = Run();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].outcome, c.outcome);
    EXPECT_FALSE(std::filesystem::exists(Local(c.local)));
  }
}

TEST_F(UpgradeHistory, NoSinkAsksNoIdAndRecordsNothing) {
  host_.services().recordHistory = nullptr;
  CatalogueState catalogue;
  RunInternetUpgrade(host_, uart_, catalogue, config_);
  EXPECT_EQ(host_.messages, std::vector<std::string>{"Upgrade finished!"});
  EXPECT_EQ(tool_.RequestCount(kCmdQueryId.code), 0);
  EXPECT_FALSE(std::filesystem::exists(historyPath_));
}

TEST_F(UpgradeHistory, LocalFlashRecordsTheChosenFile) {
  const std::string image = dir_.File("logo.bin");
  ASSERT_TRUE(test::WriteFileBytes(image, test::PatternBytes(10000, 7)));
  RunLocalUpgrade(host_, uart_, 3, image);
  tool_.AddFault({sim::Fault::kSilent, kCmdBurnBlock.code, 2, -1});
  RunLocalUpgrade(host_, uart_, 3, image);
  RunLocalUpgrade(host_, uart_, 1, dir_.File("gone.bin"));
  const std::vector<UpgradeRecord> records = ReadHistory(historyPath_);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].kind, "local");
  EXPECT_EQ(records[0].outcome, "burned");
  EXPECT_TRUE(records[0].success);
  EXPECT_EQ(records[0].toolType, "TQ460");
  ASSERT_EQ(records[0].files.size(), 1u);
  EXPECT_EQ(records[0].files[0].kind, "LOGO");
  EXPECT_EQ(records[0].files[0].name, "logo.bin");
  EXPECT_EQ(records[0].files[0].size, 10000);
  EXPECT_EQ(CheckFileMd5(image, records[0].files[0].md5), 0);
  EXPECT_EQ(records[0].message, "Upgrade finished!");
  EXPECT_EQ(records[1].outcome, "burn-failed");
  EXPECT_FALSE(records[1].success);
  EXPECT_EQ(records[1].blocksSent, 2u);
  EXPECT_EQ(records[1].blocksRetried, 2u);
  EXPECT_EQ(records[2].outcome, "no-file");
  EXPECT_TRUE(records[2].files.empty());
}

}  // namespace
}  // namespace vortik
