#include "upgrade/downloads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "download_fixture.h"
#include "net/http_raw_server.h"

namespace vortik {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::RecordingHost;

TEST(ProgressText, ShowsTheTableTextWithTheStatusTextWhereDue) {
  struct Case {
    int code;
    const char* expected;
  };
  const Case cases[] = {
      {0, ""},
      {1, "Finding resource URL"},
      {2, ""},
      {3, "Redirecting..."},
      {4, "Start to download URL"},
      {5, "Downloading files from internet..."},
      {6, "Complete downloading URL"},
      {10, "Copying form buffer..."},
      {19, "Complete Uploading data"},
      {30, "Direct bind"},
      {31, "MIME type of the resource, before any code sniffing is done"},
      {33, "Valid types of range requests for a resource"},
      {34, ""},
      {-1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(ProgressText(TextTable{}, c.code, "URL"), c.expected);
  }
}

TEST(LocalDownloadName, TakesAPlainNameAfterTheLastSlash) {
  EXPECT_EQ(LocalDownloadName("http://host/a/rom.bin"), "rom.bin");
  EXPECT_EQ(LocalDownloadName("/legacy/flash.bin"), "flash.bin");
  EXPECT_EQ(LocalDownloadName("http://host/f.bin?x=1"), "f.bin?x=1");
  for (std::string_view refused :
       {std::string_view("rom.bin"), std::string_view("http://host/"),
        std::string_view("http://host/a/."), std::string_view("http://host/a/.."),
        std::string_view("http://host/a\0b", 14)}) {
    SCOPED_TRACE(std::string(refused));
    EXPECT_EQ(LocalDownloadName(refused), std::nullopt);
  }
}

TEST(OnDownloadProgress, DrivesLabelAndGaugeByProgressMode) {
  RecordingHost host;
  MainState& state = host.state();
  bool cancel = false;
  OnDownloadProgress(host, 0, 0, cancel, "", 2);  // nothing to show
  EXPECT_TRUE(host.statusTexts.empty());
  EXPECT_TRUE(host.gauge.empty());

  OnDownloadProgress(host, 0, 500, cancel, "Start to download u", 4);
  OnDownloadProgress(host, 120, 500, cancel, "Downloading files from internet...", 5);
  EXPECT_EQ(host.statusTexts, (std::vector<std::string>{"Start to download u",
                                                        "Downloading files from internet..."}));
  EXPECT_EQ(host.GaugeMaxima(), std::vector<int>{500});
  EXPECT_EQ(host.GaugePositions(), std::vector<int>{120});

  // ROM and FLASH in one run: one gauge over both, the FLASH after the ROM's share.
  host.Clear();
  state.romProgressSize = 1000;
  state.flashProgressSize = 300;
  state.progressMode = 1;
  OnDownloadProgress(host, 0, 1000, cancel, "", 4);
  OnDownloadProgress(host, 400, 1000, cancel, "", 5);
  state.progressMode = 2;
  OnDownloadProgress(host, 0, 300, cancel, "", 4);
  OnDownloadProgress(host, 100, 300, cancel, "", 5);
  EXPECT_EQ(host.GaugeMaxima(), (std::vector<int>{1300, 1300}));
  EXPECT_EQ(host.GaugePositions(), (std::vector<int>{400, 1100}));
  EXPECT_FALSE(cancel);

  state.appClosing = true;
  OnDownloadProgress(host, 0, 0, cancel, "", 2);
  EXPECT_TRUE(cancel);
}

using Downloads = test::DownloadFixture;

TEST_F(Downloads, OnlyATransferEndingWithStatusSixSucceeds) {
  // Plays the reports a transfer gives, then the transfer's own verdict.
  auto play = [](std::vector<int> codes, bool verdict) {
    return [codes, verdict](const std::string& url, const std::string&,
                            const platform::DownloadProgressHandler& onProgress) {
      for (int code : codes) {
        platform::DownloadStatus status;
        status.statusCode = code;
        status.progress = 10;
        status.progressMax = 10;
        status.statusText = url;
        if (onProgress(status)) return false;
      }
      return verdict;
    };
  };
  host_.services().download = play({2, 0, 34, 4, 5, 6}, true);
  EXPECT_TRUE(DownloadToFile(host_, "http://h/x", Local("x")));
  EXPECT_EQ(host_.statusTexts, (std::vector<std::string>{"Start to download http://h/x",
                                                         "Downloading files from internet...",
                                                         "Complete downloading http://h/x"}));
  EXPECT_EQ(host_.eventRuns, 6);  // pending events run at every report

  host_.services().download = play({4, 5}, true);
  EXPECT_FALSE(DownloadToFile(host_, "http://h/x", Local("x")));
  host_.services().download = play({4, 5, 6, 5}, true);
  EXPECT_FALSE(DownloadToFile(host_, "http://h/x", Local("x")));
  host_.services().download = play({4, 5, 6}, false);
  EXPECT_FALSE(DownloadToFile(host_, "http://h/x", Local("x")));

  // The procedures count such a transfer as a failed download.
  host_.services().download = play({4, 5}, true);
  EXPECT_EQ(DownloadRomFile(host_, "http://h/rom.bin", std::string(32, '0'), 10).outcome,
            FetchOutcome::kFailed);
}

TEST_F(Downloads, CombinedGaugeRunsOverRomThenFlash) {
  const int romSize = 200 * 1024;
  const int flashSize = 96 * 1024;
  Serve("legacy/rom.bin", Bytes(romSize, 1));
  Serve("legacy/flash.bin", Bytes(flashSize, 2));
  const std::string partDigest = Serve("parts/p2.fls", Bytes(8 * 1024, 3));
  sim::SimFault paced;
  paced.chunkBytes = 32 * 1024;
  paced.chunkDelayMs = 5;
  sim_->SetFault("/legacy/rom.bin", paced);
  sim_->SetFault("/legacy/flash.bin", paced);

  MainState& state = host_.state();
  state.progressMode = 1;
  state.romProgressSize = romSize;
  state.flashProgressSize = flashSize;
  ASSERT_EQ(DownloadLegacyFile(host_, server_, "/legacy/rom.bin"), Local("rom.bin"));
  std::vector<int> romPositions = host_.GaugePositions();
  EXPECT_EQ(host_.GaugeMaxima(), std::vector<int>{romSize + flashSize});
  ASSERT_FALSE(romPositions.empty());
  EXPECT_TRUE(std::is_sorted(romPositions.begin(), romPositions.end()));
  EXPECT_LE(romPositions.back(), romSize);

  host_.Clear();
  state.progressMode = 2;
  ASSERT_EQ(DownloadLegacyFile(host_, server_, "/legacy/flash.bin"), Local("flash.bin"));
  std::vector<int> flashPositions = host_.GaugePositions();
  EXPECT_EQ(host_.GaugeMaxima(), std::vector<int>{romSize + flashSize});
  ASSERT_FALSE(flashPositions.empty());
  EXPECT_GE(flashPositions.front(), romSize);
  EXPECT_GT(flashPositions.back(), romSize);
  EXPECT_LE(flashPositions.back(), romSize + flashSize);
  EXPECT_TRUE(host_.messages.empty());

  // A FLASH part in such a run switches to the FLASH share itself, scaled by its gauge size.
  host_.Clear();
  state.progressMode = 1;
  std::string path;
  ASSERT_EQ(DownloadFlashPart(host_, Url("parts/p2.fls"), partDigest, false, 5000, &path),
            FetchOutcome::kFetched);
  EXPECT_EQ(state.progressMode, 2);
  EXPECT_EQ(state.flashProgressSize, 5000);
  EXPECT_EQ(host_.GaugeMaxima(), std::vector<int>{romSize + 5000});
  EXPECT_EQ(host_.statusTexts.front(), "Dowloading flash DTC files...");
}

TEST_F(Downloads, RomIsReusedOnlyWhenDigestAndSizeMatch) {
  const std::string rom = Bytes(50000, 7);
  const std::string digest = Serve("fw/rom.bin", rom);
  const std::string url = Url("fw/rom.bin");
  ASSERT_EQ(DownloadRomFile(host_, url, digest, 50000).path, Local("rom.bin"));
  EXPECT_EQ(Fetches("fw/rom.bin"), 1);
  EXPECT_EQ(DownloadRomFile(host_, url, digest, 50000).path, Local("rom.bin"));
  EXPECT_EQ(Fetches("fw/rom.bin"), 1);  // the file in the temporary folder still fits

  // Same size, other bytes: fetched again and replaced.
  ASSERT_TRUE(test::WriteFileText(Local("rom.bin"), Bytes(50000, 8)));
  EXPECT_EQ(DownloadRomFile(host_, url, digest, 50000).path, Local("rom.bin"));
  EXPECT_EQ(Fetches("fw/rom.bin"), 2);
  EXPECT_EQ(CheckFileMd5(Local("rom.bin"), digest), 0);

  // Same digest, other length offered: not reused, and the fetched file fails the size check.
  EXPECT_EQ(DownloadRomFile(host_, url, digest, 50001).outcome, FetchOutcome::kWrongSize);
  EXPECT_EQ(Fetches("fw/rom.bin"), 3);
}

TEST_F(Downloads, FlashPartIsReusedWhenItsDigestMatches) {
  const std::string digest = Serve("fls/p3.fls", Bytes(9000, 3));
  const std::string url = Url("fls/p3.fls");
  std::string path;
  ASSERT_EQ(DownloadFlashPart(host_, url, digest, false, 9000, &path), FetchOutcome::kFetched);
  EXPECT_EQ(path, Local("p3.fls"));
  path.clear();
  ASSERT_EQ(DownloadFlashPart(host_, url, digest, false, 1, &path),
            FetchOutcome::kFetched);  // size not compared
  EXPECT_EQ(path, Local("p3.fls"));
  EXPECT_EQ(Fetches("fls/p3.fls"), 1);
  ASSERT_EQ(DownloadFlashPart(host_, url, digest, true, 9000, &path), FetchOutcome::kFetched);
  EXPECT_EQ(Fetches("fls/p3.fls"), 2);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(Downloads, EachFailureHasItsOutcomeAndShowsNothing) {
  const std::string rom = Bytes(40000, 4);
  const std::string digest = Serve("fw/rom.bin", rom);
  sim::SimFault notFound;
  notFound.status = 404;
  sim::SimFault truncated;
  truncated.truncateAfter = 10000;
  sim::SimFault corrupted;
  corrupted.wrongDigest = true;
  struct Case {
    const char* name;
    std::string url;
    sim::SimFault fault;
    int32_t length;
    FetchOutcome rom;
    std::optional<FetchOutcome> part;  // nothing: a part's size is not checked
  };
  constexpr FetchOutcome kFailed = FetchOutcome::kFailed;
  constexpr FetchOutcome kWrongDigest = FetchOutcome::kWrongDigest;
  const Case cases[] = {
      {"no slash", "rom.bin", {}, 40000, kFailed, kFailed},
      {"dot-dot name", Url("fw/.."), {}, 40000, kFailed, kFailed},
      {"404", Url("fw/rom.bin"), notFound, 40000, kFailed, kFailed},
      {"missing file", Url("fw/none.bin"), {}, 40000, kFailed, kFailed},
      {"truncated", Url("fw/rom.bin"), truncated, 40000, kFailed, kFailed},
      {"size mismatch", Url("fw/rom.bin"), {}, 39999, FetchOutcome::kWrongSize, std::nullopt},
      {"md5 mismatch", Url("fw/rom.bin"), corrupted, 40000, kWrongDigest, kWrongDigest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim_->ClearFaults();
    sim_->SetFault("/fw/rom.bin", c.fault);
    fs::remove(Local("rom.bin"));
    host_.Clear();
    const FetchedFile rom = DownloadRomFile(host_, c.url, digest, c.length);
    EXPECT_EQ(rom.outcome, c.rom);
    EXPECT_EQ(rom.path, "");
    EXPECT_TRUE(host_.messages.empty());
    // A file that failed its check is not kept under the name a later run or the Local Upgrade
    // page would take it by.
    EXPECT_FALSE(fs::exists(Local("rom.bin")));

    if (!c.part) continue;
    fs::remove(Local("rom.bin"));
    host_.Clear();
    std::string path = "unchanged";
    EXPECT_EQ(DownloadFlashPart(host_, c.url, digest, false, c.length, &path), *c.part);
    EXPECT_EQ(path, "unchanged");
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_FALSE(fs::exists(Local("rom.bin")));
  }
  EXPECT_EQ(FilesInTmp(), 0u);

  // The legacy download shows nothing: its caller decides.
  host_.Clear();
  EXPECT_EQ(DownloadLegacyFile(host_, server_, "rom.bin"), "");
  EXPECT_EQ(DownloadLegacyFile(host_, server_, "/fw/none.bin"), "");
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(Downloads, ClosingTheWindowCancelsAndLeavesNoFile) {
  const std::string digest = Serve("fw/rom.bin", Bytes(256 * 1024, 5));
  sim::SimFault slow;
  slow.chunkBytes = 16 * 1024;
  slow.chunkDelayMs = 20;
  sim_->SetFault("/fw/rom.bin", slow);
  host_.onEvents = [](RecordingHost& host) {
    if (!host.GaugePositions().empty()) host.state().appClosing = true;
  };
  EXPECT_EQ(DownloadRomFile(host_, Url("fw/rom.bin"), digest, 256 * 1024).outcome,
            FetchOutcome::kFailed);
  EXPECT_FALSE(fs::exists(Local("rom.bin")));
  EXPECT_EQ(FilesInTmp(), 0u);
}

// A server that never stops sending cannot fill the temporary folder: a ROM or legacy file
// stops at the length its offer gave, and counts as a file of the wrong size.
TEST_F(Downloads, EndlessBodyStopsAtTheOfferedLength) {
  testing::RawHttpServer server(
      {{{"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n"},
        0,
        false,
        true,
        std::string(64 * 1024, 'e')}});
  int64_t most = 0;  // bytes in the temporary folder, at its fullest
  host_.onEvents = [&](RecordingHost& host) {
    int64_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(tmp_)) bytes += entry.file_size();
    most = std::max(most, bytes);
    if (bytes > 8 * 1024 * 1024) host.state().appClosing = true;  // the old fault: stop it here
  };
  EXPECT_EQ(DownloadRomFile(host_, server.url("/fw/rom.bin"), std::string(32, '0'), 1000).outcome,
            FetchOutcome::kWrongSize);
  EXPECT_LE(most, 1000);
  EXPECT_EQ(FilesInTmp(), 0u);
}

TEST_F(Downloads, LegacyFilesAreAlwaysFetchedWithATimeHandle) {
  Serve("legacy/flash.bin", Bytes(3000, 6));
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(DownloadLegacyFile(host_, server_, "/legacy/flash.bin"), Local("flash.bin"));
  }
  auto requests = sim_->Requests();
  ASSERT_EQ(requests.size(), 2u);
  const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
  for (const auto& request : requests) {
    EXPECT_EQ(request.path, "/legacy/flash.bin");
    ASSERT_EQ(request.query.rfind("handle=", 0), 0u) << request.query;
    EXPECT_NEAR(std::stoll(request.query.substr(7)), now, 5);
  }
}

}  // namespace
}  // namespace vortik
