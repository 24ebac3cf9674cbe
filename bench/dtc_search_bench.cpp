// One keystroke in the DTC search box (the match count, then the page fill of up to fifteen
// rows) over a 100,000-line table, against `grep -F -c` of the same text over the same file,
// both timed in the same run, one after the other for each search text. Reports the medians
// and their ratio; also the first reading of the table (after it changed on disk).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "dtc/dtc_file.h"
#include "dtc/dtc_paging.h"

extern char** environ;

namespace {

constexpr int kLines = 100000;
const char* const kSearches[] = {"P0", "P03", "P030", "U01", "C0A", "1F2", "XYZ"};

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// A table of the shipped file's shape: code, brand, a description of some 40 to 80 bytes.
std::string WriteTable() {
  const std::string path =
      (std::filesystem::temp_directory_path() / "vortik-dtc-bench-OBDII.txt").string();
  std::mt19937 rng(7);
  const char* letters = "PBCU";
  const char* hex = "0123456789ABCDEF";
  const char* words[] = {"sensor",      "circuit",  "low",          "high",   "range/performance",
                         "bank 1",      "bank 2",   "control",      "valve",  "pressure",
                         "temperature", "fuel",     "intermittent", "module", "signal",
                         "oxygen",      "camshaft", "position"};
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (int i = 0; i < kLines; ++i) {
    std::string line(1, letters[rng() % 4]);
    line += static_cast<char>('0' + rng() % 4);
    for (int k = 0; k < 3; ++k) line += hex[rng() % 16];
    line += " Generic";
    const int n = 5 + static_cast<int>(rng() % 6);
    for (int w = 0; w < n; ++w) line += std::string(" ") + words[rng() % 18];
    out << line << '\n';
  }
  out.close();
  // An old file: the table keeps what it read (a recent stamp would force a reading each time).
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  return path;
}

// Milliseconds for `grep -F -c text path` from spawn to exit (its output goes to /dev/null).
double RunGrep(const std::string& text, const std::string& path) {
  char* argv[] = {const_cast<char*>("grep"),       const_cast<char*>("-F"),
                  const_cast<char*>("-c"),         const_cast<char*>(text.c_str()),
                  const_cast<char*>(path.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "grep", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1) return -1;
  return Ms(Clock::now() - start);
}

// The page's list, as far as the paging fills it.
class RowSink : public vortik::DtcListView {
 public:
  void ClearRows() override { rows.clear(); }
  void AddRow(const vortik::DtcEntryView& entry) override { rows.emplace_back(entry.code); }
  void SetIndexText(const std::string& text) override { index = text; }
  void SetPrevEnabled(bool) override {}
  void SetNextEnabled(bool) override {}
  std::vector<std::string> rows;
  std::string index;
};

void BM_KeystrokeAgainstGrep(benchmark::State& state) {
  const std::string path = WriteTable();
  vortik::DtcTable table(path);
  RowSink sink;
  bool filtered = false;
  vortik::DtcPaging paging(table, sink, filtered);

  const auto firstStart = Clock::now();
  paging.InitDtcList();
  const double firstRead = Ms(Clock::now() - firstStart);
  RunGrep("P0", path);  // the file in the page cache for grep as well

  std::vector<double> keystroke;
  std::vector<double> grep;
  for (auto _ : state) {
    double total = 0;
    for (const char* text : kSearches) {
      const auto start = Clock::now();
      paging.EditSearchChange(text);
      const double k = Ms(Clock::now() - start);
      benchmark::DoNotOptimize(sink.rows.data());
      const double g = RunGrep(text, path);
      if (g < 0) {
        state.SkipWithError("grep could not be run");
        return;
      }
      keystroke.push_back(k);
      grep.push_back(g);
      total += k + g;
    }
    state.SetIterationTime(total / 1000.0);
  }
  state.counters["keystroke_ms"] = Median(keystroke);
  state.counters["grep_ms"] = Median(grep);
  state.counters["ratio"] = Median(keystroke) / Median(grep);
  state.counters["first_read_ms"] = firstRead;
  state.counters["reads"] = table.reads();
  std::filesystem::remove(path);
}
BENCHMARK(BM_KeystrokeAgainstGrep)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
