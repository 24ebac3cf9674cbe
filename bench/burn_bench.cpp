// Burn throughput against the emulated tool with the 1,000,000 baud wire model on, as a share
// of what the wire allows (every request and every 13-byte acknowledgement at 10 bits a byte),
// and the PC's turnaround per block as the tool sees it.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_tool.h"
#include "device/frame.h"
#include "upgrade/burn_engine.h"

namespace {

// A temporary image file of `size` bytes, removed at the end.
class TempImage {
 public:
  explicit TempImage(size_t size) {
    char name[] = "/tmp/vortik-burn-bench-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return;
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    const bool ok = write(fd, bytes.data(), size) == static_cast<ssize_t>(size);
    close(fd);
    if (ok) path_ = name;
  }
  ~TempImage() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void BM_BurnFile(benchmark::State& state) {
  const auto blockSize = static_cast<uint16_t>(state.range(0));
  const auto blocks = static_cast<size_t>(state.range(1));
  vortik::sim::Options options;
  options.wireModel = true;
  vortik::sim::ScanToolSim tool(options);
  vortik::TSyncUart uart;
  if (!vortik::bench::OpenTool(state, tool, uart)) return;
  const TempImage image(blocks * blockSize);
  if (image.path().empty()) {
    state.SkipWithError("cannot write the image");
    return;
  }
  vortik::bench::QuietHost host;
  const uint32_t frameBytes = blockSize + vortik::kBurnBlockHeader + vortik::kFrameOverhead;
  const double wireSeconds =
      static_cast<double>(blocks) * (frameBytes + vortik::kCmdBurnBlock.replyLength) * 10.0 / 1e6;
  double total = 0;
  int failures = 0;
  tool.ResetTurnaround();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!vortik::BurnFile(host, uart, vortik::FirmwareKind::kRom, image.path(), blockSize))
      ++failures;
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double mean = total / static_cast<double>(state.iterations());
  state.counters["wire_ms"] = wireSeconds * 1000.0;
  state.counters["burn_ms"] = mean * 1000.0;
  state.counters["image_KiB_per_s"] = static_cast<double>(blocks * blockSize) / 1024.0 / mean;
  state.counters["share_of_wire"] = wireSeconds / mean;  // goal: at least 0.95
  state.counters["failures"] = failures;
  // The tool's wait between an acknowledgement written and the next request's first byte: the
  // PC's turnaround per block, with the terminal's two hand-overs (goal: below 0.3 ms).
  const vortik::sim::ScanToolSim::Turnaround turnaround = tool.RequestTurnaround();
  if (turnaround.count > 0) {
    state.counters["turnaround_ms"] =
        static_cast<double>(turnaround.totalNs) / static_cast<double>(turnaround.count) / 1e6;
    state.counters["turnaround_max_ms"] = static_cast<double>(turnaround.maxNs) / 1e6;
  }
}

// Arguments: block size, blocks per burn (about a second of wire time each).
BENCHMARK(BM_BurnFile)
    ->ArgNames({"B", "blocks"})
    ->Args({512, 192})
    ->Args({4096, 24})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
