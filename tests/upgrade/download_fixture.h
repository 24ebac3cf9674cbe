// A test fixture for downloads: the test's own update server, a temporary folder as $TMPDIR,
// and a recording host.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "helpers/recording_host.h"
#include "helpers/update_server_fixture.h"
#include "platform/md5.h"
#include "update_server_sim.h"
#include "upgrade/firmware_fixtures.h"
#include "upgrade/md5_check.h"

namespace vortik::test {

class DownloadFixture : public UpdateServerFixture {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    tmp_ = dir_.path() + "/tmp/";
    ASSERT_TRUE(std::filesystem::create_directories(tmp_));
    if (const char* old = getenv("TMPDIR")) oldTmp_ = old;
    setenv("TMPDIR", tmp_.c_str(), 1);
    UpdateServerFixture::SetUp();
  }

  void TearDown() override {
    UpdateServerFixture::TearDown();
    if (oldTmp_) {
      setenv("TMPDIR", oldTmp_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  // Puts `bytes` on the server at /<path> and gives its lower-case MD5.
  std::string Serve(const std::string& path, const std::string& bytes) {
    EXPECT_TRUE(sim::WriteSimFile(sim_->Root(), "files/" + path, bytes));
    platform::Md5 md5;
    md5.Update(bytes.data(), bytes.size());
    Md5Digest digest{};
    EXPECT_TRUE(md5.Final(digest));
    return Md5Hex(digest);
  }
  std::string Url(const std::string& path) const { return sim_->BaseUrl() + "/" + path; }
  std::string Local(const std::string& name) const { return tmp_ + name; }
  size_t FilesInTmp() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(tmp_), {}));
  }
  // GET requests the server saw, by path.
  int Fetches(const std::string& path) const {
    int n = 0;
    for (const auto& r : sim_->Requests()) n += r.method == "GET" && r.path == "/" + path;
    return n;
  }

  std::string tmp_;
  std::optional<std::string> oldTmp_;
  RecordingHost host_;
};

// Deterministic file contents of `size` bytes.
inline std::string Bytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes = PatternBytes(size, seed);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace vortik::test
