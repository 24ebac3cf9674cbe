// Application-wide results of the last device-info reply that outlive one operation.
#pragma once

#include <cstdint>

namespace vortik {

struct DeviceGlobals {
  uint16_t romBlockSize = 0;    // data bytes per BurnBlock for ROM images
  uint16_t flashBlockSize = 0;  // data bytes per BurnBlock for FLASH and LOGO images
  bool isTQ500Family = false;   // set by a long reply of the 500-family layout, never cleared
};

// The one instance of this process.
DeviceGlobals& Device();

}  // namespace vortik
