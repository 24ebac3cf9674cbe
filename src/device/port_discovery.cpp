#include "device/port_discovery.h"

#include <vector>

#include "device/port_table.h"
#include "platform/device_enum.h"

namespace vortik {

int FindComPortByUsbId(platform::DeviceLister& lister, uint16_t vendorId, uint16_t productId) {
  std::vector<platform::TtyDevice> devices;
  if (!lister.FindTtyDevices(vendorId, productId, devices) || devices.empty()) {
    return 0;
  }
  // The first match decides, even when it has no usable device node.
  return Ports().Register(devices.front().devnode);
}

std::string ConnectedStatusText(const TextTable& texts, int port) {
  return texts[TextId::LabelStatus1] + std::to_string(port) + " " +
         texts[TextId::LabelStatus1Part2];
}

std::string ConnectingStatusText(const TextTable& texts, int port) {
  return texts[TextId::LabelStatus2] + std::to_string(port) + " " +
         texts[TextId::LabelStatus2Part2] + " ......";
}

}  // namespace vortik
