#include "device/device_globals.h"

namespace vortik {

DeviceGlobals& Device() {
  static DeviceGlobals globals;
  return globals;
}

}  // namespace vortik
