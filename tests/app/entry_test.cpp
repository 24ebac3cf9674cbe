#include "app/entry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "helpers/scoped_temp_dir.h"
#include "platform/process.h"

namespace vortik {
namespace {

int CountLines(const std::string& path) {
  std::ifstream in(path);
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

// Waits until the marker file has `lines` lines or two seconds pass.
int WaitForLines(const std::string& path, int lines) {
  for (int i = 0; i < 200 && CountLines(path) < lines; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return CountLines(path);
}

TEST(Entry, RestartStartsExactlyOneNewProcessOnlyWhenRequested) {
  test::ScopedTempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::string marker = dir.File("marker");
  setenv("VORTIK_MARKER", marker.c_str(), 1);
  auto start = [] { return platform::StartDetached(VORTIK_TEST_MARKER); };

  RestartRequested() = false;
  EXPECT_EQ(FinishEntry(start), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(CountLines(marker), 0);

  RestartRequested() = true;
  EXPECT_EQ(FinishEntry(start), 0);
  EXPECT_EQ(WaitForLines(marker, 1), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(CountLines(marker), 1);

  RestartRequested() = false;
}

TEST(Entry, FailedRestartStillExitsWithZero) {
  RestartRequested() = true;
  EXPECT_EQ(FinishEntry([] { return platform::StartDetached("/nonexistent/vortik"); }), 0);
  RestartRequested() = false;
}

}  // namespace
}  // namespace vortik
