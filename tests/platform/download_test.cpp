#include "platform/download.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "helpers/update_server_fixture.h"
#include "net/http_raw_server.h"
#include "platform/tcp.h"
#include "update_server_sim.h"

namespace vortik {
namespace {

namespace fs = std::filesystem;
using platform::DownloadStatus;
using platform::DownloadToFile;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class Download : public test::UpdateServerFixture {
 protected:
  void SetUp() override {
    UpdateServerFixture::SetUp();
    ASSERT_TRUE(fs::create_directories(Out()));
    for (size_t i = 0; i < image_.size(); ++i) image_[i] = static_cast<char>(i * 7 + i / 251);
    ASSERT_TRUE(sim::WriteSimFile(sim_->Root(), "files/fw/rom.bin", image_));
  }

  std::string Url(const std::string& path) const { return sim_->BaseUrl() + path + "?handle=1"; }
  fs::path Out() const { return dir_.File("out"); }
  fs::path Local() const { return Out() / "rom.bin"; }
  size_t FilesInOut() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(Out()), {}));
  }

  std::string image_ = std::string(300 * 1024, '\0');
};

TEST_F(Download, CompleteFileReportsBeginDataEnd) {
  sim::SimFault paced;  // several pieces, so data is reported more than once
  paced.chunkBytes = 64 * 1024;
  paced.chunkDelayMs = 5;
  sim_->SetFault("/fw/rom.bin", paced);
  std::vector<DownloadStatus> seen;
  auto record = [&](const DownloadStatus& s) {
    seen.push_back(s);
    return false;
  };
  ASSERT_TRUE(DownloadToFile(Url("/fw/rom.bin"), Local().string(), record));
  EXPECT_EQ(ReadAll(Local()), image_);
  EXPECT_EQ(FilesInOut(), 1u);  // no temporary file left beside it

  std::vector<DownloadStatus> phases;  // connecting reports dropped
  for (const auto& s : seen) {
    if (s.statusCode != platform::kDownloadConnecting) phases.push_back(s);
  }
  ASSERT_GE(phases.size(), 3u);
  EXPECT_EQ(phases.front().statusCode, platform::kDownloadBegin);
  EXPECT_EQ(phases.front().progressMax, static_cast<int64_t>(image_.size()));
  EXPECT_EQ(phases.back().statusCode, platform::kDownloadEnd);
  EXPECT_EQ(phases.back().progress, static_cast<int64_t>(image_.size()));
  EXPECT_EQ(phases.back().statusText, Url("/fw/rom.bin"));
  int64_t last = 0;
  for (size_t i = 1; i + 1 < phases.size(); ++i) {
    EXPECT_EQ(phases[i].statusCode, platform::kDownloadData);
    EXPECT_GE(phases[i].progress, last);
    last = phases[i].progress;
  }
}

TEST_F(Download, RedirectIsFollowed) {
  sim::SimFault redirect;
  redirect.redirectTo = "{base}/fw/rom.bin";
  sim_->SetFault("/old/rom.bin", redirect);
  ASSERT_TRUE(DownloadToFile(Url("/old/rom.bin"), Local().string(), nullptr));
  EXPECT_EQ(ReadAll(Local()), image_);
}

TEST_F(Download, FailuresLeaveNoFileAndKeepAnEarlierOne) {
  struct Case {
    const char* name;
    std::string path;
    sim::SimFault fault;
  };
  sim::SimFault status404;
  status404.status = 404;
  sim::SimFault truncated;
  truncated.truncateAfter = 100 * 1024;
  sim::SimFault serverError;
  serverError.status = 500;
  const Case cases[] = {
      {"missing file", "/fw/none.bin", {}},
      {"404", "/fw/rom.bin", status404},
      {"500", "/fw/rom.bin", serverError},
      {"truncated", "/fw/rom.bin", truncated},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim_->ClearFaults();
    sim_->SetFault(c.path, c.fault);
    fs::remove(Local());
    EXPECT_FALSE(DownloadToFile(Url(c.path), Local().string(), nullptr));
    EXPECT_EQ(FilesInOut(), 0u);

    // A file fetched earlier under the same name stays as it was.
    { std::ofstream(Local(), std::ios::binary) << "earlier"; }
    EXPECT_FALSE(DownloadToFile(Url(c.path), Local().string(), nullptr));
    EXPECT_EQ(ReadAll(Local()), "earlier");
    EXPECT_EQ(FilesInOut(), 1u);
  }
}

TEST_F(Download, CancelStopsWhileConnectingOrDuringData) {
  sim::SimFault slow;
  slow.chunkBytes = 16 * 1024;
  slow.chunkDelayMs = 20;
  sim_->SetFault("/fw/rom.bin", slow);
  int dataReports = 0;
  auto cancelOnData = [&](const DownloadStatus& s) {
    return s.statusCode == platform::kDownloadData && ++dataReports == 2;
  };
  EXPECT_FALSE(DownloadToFile(Url("/fw/rom.bin"), Local().string(), cancelOnData));
  EXPECT_EQ(dataReports, 2);
  EXPECT_EQ(FilesInOut(), 0u);

  // A server that keeps quiet: the handler is still asked, so it can cancel.
  sim::SimFault silent;
  silent.delayMs = 10000;
  sim_->SetFault("/fw/rom.bin", silent);
  auto cancelAtOnce = [](const DownloadStatus&) { return true; };
  EXPECT_FALSE(DownloadToFile(Url("/fw/rom.bin"), Local().string(), cancelAtOnce));
  EXPECT_EQ(FilesInOut(), 0u);

  // Cancelled at the very end: still a failure, and no file.
  sim_->ClearFaults();
  auto cancelAtEnd = [](const DownloadStatus& s) { return s.statusCode == platform::kDownloadEnd; };
  EXPECT_FALSE(DownloadToFile(Url("/fw/rom.bin"), Local().string(), cancelAtEnd));
  EXPECT_EQ(FilesInOut(), 0u);
}

TEST_F(Download, StalledServerTimesOut) {
  sim::SimFault stall;
  stall.truncateAfter = -1;
  stall.chunkBytes = 1024;
  stall.chunkDelayMs = 5000;  // the first piece is already late
  sim_->SetFault("/fw/rom.bin", stall);
  platform::DownloadOptions options;
  options.stallTimeoutSec = 1;
  EXPECT_FALSE(DownloadToFile(Url("/fw/rom.bin"), Local().string(), nullptr, options));
  EXPECT_EQ(FilesInOut(), 0u);
}

// The server's name is looked up within the connect time limit (libcurl's own look-up waits
// for the system's resolver to give up, minutes against a name server that never answers), and
// the window's progress handler keeps running, and may cancel, while it waits.
bool LoopbackLookup(const std::string& name, uint32_t* address) {
  if (name != "update.vortik.invalid") return false;
  *address = htonl(INADDR_LOOPBACK);
  return true;
}
bool SilentLookup(const std::string&, uint32_t*) {
  std::this_thread::sleep_for(std::chrono::seconds(5));
  return false;
}

TEST_F(Download, ServerNameIsLookedUpWithinTheConnectLimit) {
  struct ResetLookup {
    ~ResetLookup() { platform::SetHostLookup(nullptr); }
  } reset;
  const std::string port = sim_->BaseUrl().substr(sim_->BaseUrl().rfind(':'));
  const std::string named = "http://update.vortik.invalid" + port + "/fw/rom.bin?handle=1";
  platform::SetHostLookup(&LoopbackLookup);
  ASSERT_TRUE(DownloadToFile(named, Local().string(), nullptr));
  EXPECT_EQ(ReadAll(Local()), image_);
  fs::remove(Local());

  platform::SetHostLookup(&SilentLookup);
  platform::DownloadOptions options;
  options.connectTimeoutMs = 300;
  int connecting = 0;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DownloadToFile(
      named, Local().string(),
      [&](const DownloadStatus& s) {
        connecting += s.statusCode == platform::kDownloadConnecting;
        return false;
      },
      options));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_GT(connecting, 0);

  options.connectTimeoutMs = 30000;  // a cancel ends the wait long before the limit
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DownloadToFile(
      named, Local().string(), [](const DownloadStatus&) { return true; }, options));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_EQ(FilesInOut(), 0u);
}

// Servers that misbehave on the wire, each behind a raw socket.
class HostileDownload : public ::testing::Test {
 protected:
  std::string Local() const { return dir_.File("rom.bin"); }
  size_t Files() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_.path()), {}));
  }
  static std::string Head(const std::string& extra) {
    return "HTTP/1.1 200 OK\r\n" + extra + "\r\n";
  }

  test::ScopedTempDir dir_;
};

// A body beyond the size the caller can use ends the download at once, with nothing on disk,
// whether the server announces it or just keeps sending.
TEST_F(HostileDownload, BodyBeyondTheLimitEndsTheDownload) {
  struct Case {
    const char* name;
    testing::RawReply reply;
    bool ok;
  };
  const std::string kilobyte(1000, 'k');
  const Case cases[] = {
      {"endless, no length", {{Head("")}, 0, false, true, std::string(16384, 'e')}, false},
      // The announced length ends the body; what follows is not read.
      {"endless, announced small",
       {{Head("Content-Length: 500\r\n")}, 0, false, true, kilobyte},
       true},
      {"announced large", {{Head("Content-Length: 5000\r\n"), kilobyte}, 0, false, false}, false},
      {"exactly the limit", {{Head("Content-Length: 1000\r\n") + kilobyte}}, true},
      {"the limit, no length", {{Head("") + kilobyte}}, true},
      {"one byte over", {{Head("") + kilobyte + "!"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::RawHttpServer server({c.reply});
    platform::DownloadOptions options;
    options.maxBytes = 1000;
    bool tooLarge = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DownloadToFile(server.url("/rom.bin"), Local(), nullptr, options, &tooLarge), c.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(tooLarge, !c.ok);
    EXPECT_EQ(Files(), c.ok ? 1u : 0u);
    fs::remove(Local());
  }
}

// A Content-Length that is no usable number cannot be checked against the body, so the
// transfer cannot be known to be complete.
TEST_F(HostileDownload, ContentLengthThatIsNoNumberFailsTheDownload) {
  for (const char* length : {"100000000000000000000", "-5", "12abc", "", "0x10"}) {
    SCOPED_TRACE(length);
    testing::RawHttpServer server(
        {{{Head("Content-Length: " + std::string(length) + "\r\n") + "0123456789"}}});
    EXPECT_FALSE(DownloadToFile(server.url("/rom.bin"), Local(), nullptr));
    EXPECT_EQ(Files(), 0u);
  }
}

}  // namespace
}  // namespace vortik
