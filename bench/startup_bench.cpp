// Process start to the first painted window: the VORTIK main window against a bare Qt window
// of the same size, each in a fresh process (startup_probe). Reports the medians and their
// ratio. Uses QT_QPA_PLATFORM from the environment, offscreen when unset (run it under
// xvfb-run with QT_QPA_PLATFORM=xcb to include an X server).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Milliseconds from spawning the probe to its exit, or a negative value when it failed.
double RunProbe(const char* mode) {
  const char* probe = VORTIK_STARTUP_PROBE;
  char* argv[] = {const_cast<char*>(probe), const_cast<char*>(mode), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, probe, nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void BM_StartupToFirstPaint(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  RunProbe("bare");  // warm the file cache for both
  RunProbe("vortik");
  std::vector<double> bare;
  std::vector<double> vortik;
  for (auto _ : state) {
    const double b = RunProbe("bare");
    const double v = RunProbe("vortik");
    if (b < 0 || v < 0) {
      state.SkipWithError("the start-up probe failed");
      return;
    }
    bare.push_back(b);
    vortik.push_back(v);
    state.SetIterationTime((b + v) / 1000.0);
  }
  state.counters["bare_ms"] = Median(bare);
  state.counters["vortik_ms"] = Median(vortik);
  state.counters["ratio"] = Median(vortik) / Median(bare);
}
BENCHMARK(BM_StartupToFirstPaint)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
