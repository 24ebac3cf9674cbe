// The stream receiver against the emulated tool pushing without pause at 1,000,000 baud over a
// pseudo-terminal: ticks 100 ms apart, as the window's receive timer runs them. Reported: bytes
// the tool could not hand over because nobody took them in time (bytes_lost, goal 0), bytes the
// receiver took, the samples it handed to the wave monitor, and its CPU share (receiver thread's
// CPU time over the wall time).
//   receiver_bench --benchmark_filter=Stream/30   (30 s of pushing)
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "bench_tool.h"
#include "device/stream_receiver.h"

namespace {

// Counts what the receiver hands on; a capture is "shown" from its first frame on.
class CountingView : public vortik::ReceiverView {
 public:
  void AppendReportText(const std::string& utf8, vortik::Colour) override { text += utf8.size(); }
  void AppendBuiltInText(const std::string& utf8) override { text += utf8.size(); }
  void AddWaveSamples(const uint8_t*, int length) override {
    sampleBytes += static_cast<uint64_t>(length);
    capture = true;
  }
  void EndWaveCapture() override { ++ends; }
  bool CaptureTimerEnabled() const override { return capture; }
  bool ChartVisible() const override { return false; }
  void SetPrintView(bool) override {}
  uint64_t text = 0;
  uint64_t sampleBytes = 0;
  int ends = 0;
  bool capture = false;
};

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Argument: seconds of pushing. The tool pushes one capture of that length (frames of 2,000
// sample bytes, the end frame last) at the wire pace and drops what the terminal cannot take.
void BM_Stream(benchmark::State& state) {
  const int seconds = static_cast<int>(state.range(0));
  vortik::sim::Options options;
  options.wireModel = true;
  options.push.dropWhenFull = true;
  vortik::sim::ScanToolSim tool(options);
  vortik::TSyncUart uart;
  if (!vortik::bench::OpenTool(state, tool, uart)) return;
  // 100,000 bytes a second on the wire; 2,010-byte frames carry 1,000 samples each.
  const int samples = seconds * 100000 / 2010 * 1000;
  const std::vector<uint8_t> stream = vortik::sim::CaptureFrames(
      vortik::sim::CaptureSamples(vortik::sim::CaptureShape::kRamp, samples), 2000, true);
  for (auto _ : state) {
    vortik::MainState mainState;
    CountingView view;
    vortik::StreamReceiver receiver(mainState, view);
    const auto read = [&uart](uint8_t* buffer, int capacity) {
      return uart.RecvData(buffer, capacity);
    };
    const auto wait = [&uart](int timeoutMs) { return uart.WaitReadable(timeoutMs); };
    uint64_t taken = 0;
    const double cpuStart = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    tool.Push(stream);
    auto next = start;
    int quiet = 0;
    while (quiet < 10) {  // a second without bytes after the push: done
      next += std::chrono::milliseconds(100);
      std::this_thread::sleep_until(next);
      const int n = receiver.UartReadTimerTimer(read, wait);
      taken += static_cast<uint64_t>(n);
      quiet = n > 0 ? 0 : quiet + 1;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() - 1.0;
    const double cpu = ThreadCpuSeconds() - cpuStart;
    tool.WaitPushed(1000);
    state.counters["pushed_bytes"] = static_cast<double>(stream.size());
    state.counters["taken_bytes"] = static_cast<double>(taken);
    state.counters["bytes_lost"] = static_cast<double>(stream.size() - taken);
    state.counters["dropped_at_pty"] = static_cast<double>(tool.DroppedBytes());
    state.counters["samples_lost"] =
        static_cast<double>(static_cast<uint64_t>(samples) * 2 - view.sampleBytes) / 2;
    state.counters["end_frames"] = view.ends;
    state.counters["cpu_share_pct"] = 100.0 * cpu / wall;
    state.counters["push_seconds"] = wall;
  }
}
BENCHMARK(BM_Stream)->ArgName("seconds")->Arg(3)->Arg(30)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
