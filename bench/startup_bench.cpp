// Start-up of the VORTIK program against a bare Qt window with one label, each in a fresh process
// (startup_probe), both paying the font set-up:
// - BM_StartupToFirstPaint: process start to the first painted window, medians and their ratio.
//   Uses QT_QPA_PLATFORM from the environment, offscreen when unset (under xvfb-run, set
//   QT_QPA_PLATFORM=xcb to include an X server).
// - BM_StartupInstructions: instructions to the first paint under callgrind on the offscreen
//   platform: the figure that stays put on a loaded machine (skipped without valgrind).
// - BM_StartupMaxRss: the largest resident size up to the first paint, medians and their ratio.
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

// Alternates bare and VORTIK runs (after one warm-up run of each) and reports the medians of
// `field` and their ratio.
template <class Field>
void CompareProbes(benchmark::State& state, Field field, const char* unit) {
  RunProbe("bare");
  RunProbe("vortik");
  std::vector<double> bare;
  std::vector<double> vortik;
  for (auto _ : state) {
    const ProbeRun b = RunProbe("bare");
    const ProbeRun v = RunProbe("vortik");
    if (!b.ok || !v.ok) {
      state.SkipWithError("the start-up probe failed");
      return;
    }
    bare.push_back(field(b));
    vortik.push_back(field(v));
    state.SetIterationTime((b.ms + v.ms) / 1000.0);
  }
  state.counters[std::string("bare_") + unit] = Median(bare);
  state.counters[std::string("vortik_") + unit] = Median(vortik);
  state.counters["ratio"] = Median(vortik) / Median(bare);
}

void BM_StartupToFirstPaint(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  CompareProbes(
      state, [](const ProbeRun& r) { return r.ms; }, "ms");  // goal: ratio <= 1.5
}
BENCHMARK(BM_StartupToFirstPaint)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_StartupMaxRss(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  CompareProbes(
      state, [](const ProbeRun& r) { return r.maxRssKiB; }, "KiB");  // goal: <= 1.4
}
BENCHMARK(BM_StartupMaxRss)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

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
  double vortik = 0;
  for (auto _ : state) {
    bare = CountInstructions("bare");
    vortik = CountInstructions("vortik");
  }
  if (platform != nullptr) {
    setenv("QT_QPA_PLATFORM", saved.c_str(), 1);
  } else {
    unsetenv("QT_QPA_PLATFORM");
  }
  if (bare <= 0 || vortik <= 0) {
    state.SkipWithError("callgrind did not run (is valgrind installed?)");
    return;
  }
  state.counters["bare_Minstr"] = bare / 1e6;
  state.counters["vortik_Minstr"] = vortik / 1e6;
  state.counters["ratio"] = vortik / bare;
}
BENCHMARK(BM_StartupInstructions)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
