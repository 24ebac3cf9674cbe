// The emulated tool on a real pseudo-terminal with a port open to it, as the window opens a tool
// it found: the set-up of the device tests.
#pragma once

#include "device/port_table.h"
#include "scantool_sim.h"

namespace vortik::test {

// Starts `tool` and opens `uart` (TSyncUart or TqvUart) on its terminal at 1,000,000 baud;
// false when either fails.
template <class Uart>
bool OpenOnTool(sim::ScanToolSim& tool, Uart& uart) {
  if (!tool.Start()) return false;
  uart.fSetBaudRate(1000000);
  uart.fSetPort(Ports().Register(tool.path()));
  return uart.Open();
}

}  // namespace vortik::test
