// Request/reply exchanges against the emulated tool with the 1,000,000 baud wire model on: the
// exchange time as a ratio of the time the bytes need on the wire (1.00 = no overhead).
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench_tool.h"
#include "device/frame.h"

namespace {

using vortik::kCmdBurnBlock;

void BM_BurnBlockExchange(benchmark::State& state) {
  const int frameLength = static_cast<int>(state.range(0));
  vortik::sim::Options options;
  options.wireModel = state.range(1) != 0;
  vortik::sim::ScanToolSim tool(options);
  vortik::TSyncUart uart;
  if (!vortik::bench::OpenTool(state, tool, uart)) return;
  std::vector<uint8_t> frame(vortik::kFrameBufferSize, 0);
  vortik::BuildFrame(frame.data(), kCmdBurnBlock.code, nullptr,
                     frameLength - vortik::kFrameOverhead);
  frame[6] = 2;
  vortik::SealFrame(frame.data(), frameLength);
  uint8_t reply[13];
  const double wireSeconds = (frameLength + 13) * 10.0 / 1000000.0;
  double total = 0;
  int failures = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const uint32_t n = uart.SyncRequest(frame.data(), static_cast<uint32_t>(frameLength), reply, 13,
                                        kCmdBurnBlock.timeoutMs, kCmdBurnBlock.pollMs);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!vortik::ReplyAccepted(frame.data(), reply, n, 13, true)) ++failures;
  }
  const double mean = total / static_cast<double>(state.iterations());
  state.counters["wire_ms"] = wireSeconds * 1000.0;
  state.counters["exchange_ms"] = mean * 1000.0;
  state.counters["ratio"] = mean / wireSeconds;  // only meaningful with the wire model
  state.counters["failures"] = failures;
}

// Second argument 1: wire model on. With 0 the same exchange shows the floor that the
// pseudo-terminal and the two threads add by themselves.
BENCHMARK(BM_BurnBlockExchange)
    ->ArgNames({"frame", "wire"})
    ->Args({525, 1})
    ->Args({4109, 1})
    ->Args({525, 0})
    ->Args({4109, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
