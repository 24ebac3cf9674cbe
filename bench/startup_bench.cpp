// Start-up of the VORTIK program against two references, each window in a fresh process
// (startup_probe):
// - "bare": a Qt window with one label that pays the font set-up the program pays (counters
//   bare_* and ratio);
// - "label": a bare Qt Widgets window with one label in the default font and no extra fonts
//   loaded (counters label_* and ratio_label).
// The three are run in turn, the order rotating each iteration so none always goes first.
// - BM_StartupToFirstPaint: process start to the first painted window, medians and their ratios.
//   Uses QT_QPA_PLATFORM from the environment, offscreen when unset (under xvfb-run, set
//   QT_QPA_PLATFORM=xcb to include an X server).
// - BM_StartupInstructions: instructions to the first paint under callgrind on the offscreen
//   platform: the figure that stays put on a loaded machine (skipped without valgrind).
// - BM_StartupMaxRss: the largest resident size up to the first paint, medians and their ratios.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ProbeRun {
  bool ok = false;
  double ms = 0;
  double maxRssKiB = 0;
};

// Runs `argv` to its end with stdout and stderr going to `errFile` (or /dev/null).
ProbeRun Spawn(std::vector<std::string> args, const char* errFile = "/dev/null") {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile, O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  ProbeRun run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.maxRssKiB = static_cast<double>(usage.ru_maxrss);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

ProbeRun RunProbe(const char* mode) {
  return Spawn({VORTIK_STARTUP_PROBE, mode});
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// The probe's windows: the two references and the program.
constexpr const char* kModes[] = {"bare", "label", "vortik"};
constexpr size_t kModeCount = std::size(kModes);

// Runs the three windows in turn (after one warm-up run of each), the order rotating with each
// iteration, and reports the medians of `field` and the program's ratio to each reference.
template <class Field>
void CompareProbes(benchmark::State& state, Field field, const char* unit) {
  for (const char* mode : kModes) RunProbe(mode);
  std::vector<double> values[kModeCount];
  size_t turn = 0;
  for (auto _ : state) {
    double ms = 0;
    for (size_t i = 0; i < kModeCount; ++i) {
      const size_t m = (turn + i) % kModeCount;
      const ProbeRun run = RunProbe(kModes[m]);
      if (!run.ok) {
        state.SkipWithError("the start-up probe failed");
        return;
      }
      values[m].push_back(field(run));
      ms += run.ms;
    }
    ++turn;
    state.SetIterationTime(ms / 1000.0);
  }
  for (size_t m = 0; m < kModeCount; ++m) {
    state.counters[std::string(kModes[m]) + "_" + unit] = Median(values[m]);
  }
  const double vortik = Median(values[2]);
  state.counters["ratio"] = vortik / Median(values[0]);
  state.counters["ratio_label"] = vortik / Median(values[1]);
}

void BM_StartupToFirstPaint(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  CompareProbes(
      state, [](const ProbeRun& r) { return r.ms; }, "ms");  // goal: ratio_label <= 1.25
}
BENCHMARK(BM_StartupToFirstPaint)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StartupMaxRss(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  CompareProbes(
      state, [](const ProbeRun& r) { return r.maxRssKiB; }, "KiB");  // goal: ratio_label <= 1.3
}
BENCHMARK(BM_StartupMaxRss)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

// Instructions of one probe run under callgrind, from its "Collected" line; 0 on failure.
double CountInstructions(const char* mode) {
  char log[] = "/tmp/vortik-startup-callgrind-XXXXXX";
  const int fd = mkstemp(log);
  if (fd < 0) return 0;
  close(fd);
  const ProbeRun run = Spawn({"valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                              VORTIK_STARTUP_PROBE, mode},
                             log);
  double count = 0;
  std::ifstream in(log);
  for (std::string line; run.ok && std::getline(in, line);) {
    const size_t at = line.find("Collected :");
    if (at != std::string::npos) {
      std::istringstream(line.substr(at + 11)) >> count;
    }
  }
  unlink(log);
  return count;
}

void BM_StartupInstructions(benchmark::State& state) {
  // Offscreen whatever the environment says: no X server's share in the count.
  const char* platform = getenv("QT_QPA_PLATFORM");
  const std::string saved = platform != nullptr ? platform : "";
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  double bare = 0;
  double label = 0;
  double vortik = 0;
  for (auto _ : state) {
    bare = CountInstructions("bare");
    label = CountInstructions("label");
    vortik = CountInstructions("vortik");
  }
  if (platform != nullptr) {
    setenv("QT_QPA_PLATFORM", saved.c_str(), 1);
  } else {
    unsetenv("QT_QPA_PLATFORM");
  }
  if (bare <= 0 || label <= 0 || vortik <= 0) {
    state.SkipWithError("callgrind did not run (is valgrind installed?)");
    return;
  }
  state.counters["bare_Minstr"] = bare / 1e6;
  state.counters["label_Minstr"] = label / 1e6;
  state.counters["vortik_Minstr"] = vortik / 1e6;
  state.counters["ratio"] = vortik / bare;
  state.counters["ratio_label"] = vortik / label;
}
BENCHMARK(BM_StartupInstructions)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
