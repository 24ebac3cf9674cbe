// MD5 of a cached 64 MiB file: FileMd5 against the system's md5sum on the same file, alternating
// in one run. Reports the medians and md5sum's time over ours (1.0 or more: at least as fast).
// md5sum's time includes starting its process, about a millisecond of the hundred or more.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "upgrade/md5_check.h"

extern char** environ;

namespace {

constexpr size_t kFileSize = 64u << 20;

// A temporary file of kFileSize bytes, removed at the end.
class TempFile {
 public:
  TempFile() {
    char name[] = "/tmp/vortik-md5-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return;
    std::vector<uint8_t> bytes(1u << 20);
    bool ok = true;
    for (size_t done = 0; ok && done < kFileSize; done += bytes.size()) {
      for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>((done + i) * 2654435761u >> 13);
      }
      ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    close(fd);
    if (ok) path_ = name;
  }
  ~TempFile() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// Milliseconds for `md5sum path` with its output thrown away, or a negative value on failure.
double RunMd5sum(const std::string& path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>("md5sum"), const_cast<char*>(path.c_str()), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "md5sum", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  return Since(start);
}

double RunFileMd5(const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  vortik::Md5Digest digest;
  if (!vortik::FileMd5(path, digest)) return -1;
  return Since(start);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void BM_FileMd5VsMd5sum(benchmark::State& state) {
  const TempFile file;
  if (file.path().empty()) {
    state.SkipWithError("cannot write the file");
    return;
  }
  RunMd5sum(file.path());  // bring the file into the cache
  std::vector<double> ours;
  std::vector<double> md5sum;
  for (auto _ : state) {
    const double m = RunMd5sum(file.path());
    const double o = RunFileMd5(file.path());
    if (m < 0 || o < 0) {
      state.SkipWithError("a digest failed");
      return;
    }
    md5sum.push_back(m);
    ours.push_back(o);
    state.SetIterationTime((m + o) / 1000.0);
  }
  state.counters["md5sum_ms"] = Median(md5sum);
  state.counters["vortik_ms"] = Median(ours);
  state.counters["speed_vs_md5sum"] = Median(md5sum) / Median(ours);  // goal: at least 1.0
}
BENCHMARK(BM_FileMd5VsMd5sum)->Iterations(11)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
