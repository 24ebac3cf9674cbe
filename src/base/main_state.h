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

// MainState::upgradeMode: what holds the window busy. The local upgrade's boxes are 1..3.
inline constexpr int32_t kUpgradeIdle = 0;
inline constexpr int32_t kUpgradeLocalFirstBox = 1;
inline constexpr int32_t kUpgradeLocalLastBox = 3;
inline constexpr int32_t kUpgradeInternet = 10;
// Host::SetUpgradeMode with this keeps the mode and only refreshes the controls it governs.
inline constexpr int32_t kUpgradeModeRefresh = -1;

// MainState::progressMode: how the download gauge counts.
inline constexpr int32_t kProgressSingleFile = 0;  // each file on a gauge of its own
inline constexpr int32_t kProgressRomShare = 1;    // one gauge for ROM and FLASH: the ROM now
inline constexpr int32_t kProgressFlashShare = 2;  // ... the FLASH, after the ROM's share

struct MainState {
  int32_t comPort = -1;  // port the tool was opened on; 0 after a scan found none; -1 before
  int32_t upgradeMode = kUpgradeIdle;  // kUpgrade*: idle, local upgrade box n, internet
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
  int32_t progressMode = kProgressSingleFile;
  int32_t romProgressSize = 0;
  int32_t flashProgressSize = 0;

  // The tool as the internet upgrade's device-info reply described it (the product choice
  // takes the language record off its part table).
  DeviceInfo device;
};

}  // namespace vortik
