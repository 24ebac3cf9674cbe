// Benchmark helpers: a Host that shows nothing, and the emulated tool on a pseudo-terminal with a
// TSyncUart open on it at 1,000,000 baud.
#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "base/host.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "scantool_sim.h"

namespace vortik::bench {

class QuietHost : public Host {
 public:
  MainState& state() override { return state_; }
  Services& services() override { return services_; }
  void SetStatusText(const std::string&) override {}
  void SetGaugeMax(int) override {}
  void SetGaugePos(int) override {}
  void ShowMessage(const std::string&) override {}
  void ProcessEvents() override {}
  void SetUpgradeMode(int) override {}
  void ScanDevicePort() override {}

 private:
  MainState state_;
  Services services_;
};

// Starts `tool` and opens `uart` on its terminal at 1,000,000 baud. On failure the benchmark is
// marked skipped with the reason, and the caller returns.
inline bool OpenTool(benchmark::State& state, sim::ScanToolSim& tool, TSyncUart& uart) {
  if (!tool.Start()) {
    state.SkipWithError("no pseudo-terminal");
    return false;
  }
  uart.fSetBaudRate(1000000);
  uart.fSetPort(Ports().Register(tool.path()));
  if (!uart.Open()) {
    state.SkipWithError("cannot open the terminal");
    return false;
  }
  return true;
}

}  // namespace vortik::bench
