// The main window's shared state members with their start values (no Qt: flows read and write it).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/device_info.h"
#include "base/text_id.h"

namespace vortik {

inline constexpr uint32_t kWaveInitialCapacity = 8192;

struct MainState {
  int32_t comPort = -1;     // port the tool was opened on; 0 after a scan found none; -1 before
  int32_t upgradeMode = 0;  // 0 idle; 1..3 local upgrade box n; 10 internet upgrade
  int32_t curTab = 0;  // 0 Internet Upgrade, 1 Print, 2 DTC Lookup, 3 Feedback; 4 Manual, 5 Local
                       // Upgrade (pages of the menu: no tab current)
  bool appClosing = false;  // set once the window agreed to close; loops stop at next check
  bool internetConnected = false;
  bool chartShown = false;
  uint32_t reportCodePage = 28605;  // ISO-8859-15

  // Wave capture buffer.
  std::vector<uint8_t> waveBuffer = std::vector<uint8_t>(kWaveInitialCapacity);
  int32_t waveLength = 0;
  uint32_t waveCapacity = kWaveInitialCapacity;
  bool waveRestart = true;

  bool dtcFiltered = false;

  TextTable langText;  // the texts of the language loaded at start; defaults until then
  int32_t langIndex = 0;

  // Download progress state.
  int32_t progressMode = 0;
  int32_t romProgressSize = 0;
  int32_t flashProgressSize = 0;

  // The tool as the internet upgrade's device-info reply described it (the product choice
  // takes the language record off its part table).
  DeviceInfo device;
};

}  // namespace vortik
