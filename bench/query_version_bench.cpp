// Query Version (the device-info transaction) against the responsive emulated tool on a
// 1,000,000 baud wire model: the reply is taken as soon as its frame is complete.
#include <benchmark/benchmark.h>

#include "app/host.h"
#include "device/device_commands.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "scantool_sim.h"

namespace {

class QuietHost : public vortik::Host {
 public:
  vortik::MainState& state() override { return state_; }
  void SetStatusText(const std::string&) override {}
  void SetGaugeMax(int) override {}
  void SetGaugePos(int) override {}
  void ShowMessage(const std::string&) override {}
  void ProcessEvents() override {}
  void SetUpgradeMode(int) override {}
  void ScanDevicePort() override {}

 private:
  vortik::MainState state_;
};

void BM_QueryVersion(benchmark::State& state) {
  vortik::sim::Options options;
  options.wireModel = true;
  options.identity = vortik::sim::DemoIdentity();
  vortik::sim::ScanToolSim tool(options);
  if (!tool.Start()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  vortik::TSyncUart uart;
  uart.fSetBaudRate(1000000);
  uart.fSetPort(vortik::Ports().Register(tool.path()));
  if (!uart.Open()) {
    state.SkipWithError("cannot open the terminal");
    return;
  }
  QuietHost host;
  vortik::DeviceTextField type{}, subtype{}, rom{}, flash{};
  int failures = 0;
  for (auto _ : state) {
    if (!vortik::RequestDeviceInfo(host, uart, type, subtype, rom, flash)) ++failures;
  }
  state.counters["failures"] = failures;
  state.counters["reply_bytes"] =
      static_cast<double>(vortik::sim::DeviceInfoPayload(options.identity).size() + 10);
}

BENCHMARK(BM_QueryVersion)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
