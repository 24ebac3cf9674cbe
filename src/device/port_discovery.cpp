#include "device/port_discovery.h"

#include <vector>

#include "device/port_table.h"
#include "i18n/msg.h"
#include "platform/device_enum.h"

namespace vortik {

int FindComPortByUsbId(uint16_t vendorId, uint16_t productId) {
  std::vector<platform::TtyDevice> devices;
  if (!platform::CurrentDeviceLister().ListTtyDevices(devices)) return 0;
  for (const platform::TtyDevice& device : devices) {
    if (device.vendorId != vendorId || device.productId != productId) continue;
    // The first match decides, even when it has no usable device node.
    return Ports().Register(device.devnode);
  }
  return 0;
}

std::string ConnectedStatusText(int port) {
  return Msg("LabelStatus1", "Device connected to COM") + std::to_string(port) + " " +
         Msg("LabelStatus1Part2", "");
}

std::string ConnectingStatusText(int port) {
  return Msg("LabelStatus2", "Device connecting to COM") + std::to_string(port) + " " +
         Msg("LabelStatus2Part2", "") + " ......";
}

}  // namespace vortik
