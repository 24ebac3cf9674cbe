// Query Version (the device-info transaction) against the responsive emulated tool on a
// 1,000,000 baud wire model: the reply is taken as soon as its frame is complete.
#include <benchmark/benchmark.h>

#include "bench_tool.h"
#include "device/device_commands.h"

namespace {

void BM_QueryVersion(benchmark::State& state) {
  vortik::sim::Options options;
  options.wireModel = true;
  options.identity = vortik::sim::DemoIdentity();
  vortik::sim::ScanToolSim tool(options);
  vortik::TSyncUart uart;
  if (!vortik::bench::OpenTool(state, tool, uart)) return;
  vortik::bench::QuietHost host;
  int failures = 0;
  for (auto _ : state) {
    if (!vortik::RequestDeviceInfo(host, uart)) ++failures;
  }
  state.counters["failures"] = failures;
  state.counters["reply_bytes"] =
      static_cast<double>(vortik::sim::DeviceInfoPayload(options.identity).size() + 10);
}

BENCHMARK(BM_QueryVersion)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
