// The libudev lister on a mock device tree: runs under umockdev-run (see CMakeLists.txt) and
// is skipped elsewhere.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "device/port_discovery.h"
#include "device/port_table.h"
#include "platform/device_enum.h"

namespace vortik {
namespace {

TEST(UdevLister, ReadsTheUsbIdentityAboveEachTty) {
  if (std::getenv("UMOCKDEV_DIR") == nullptr) GTEST_SKIP() << "needs umockdev-run";
  platform::UdevDeviceLister lister;
  std::vector<platform::TtyDevice> devices;
  ASSERT_TRUE(lister.ListTtyDevices(devices));
  ASSERT_EQ(devices.size(), 3u);
  bool seenTool = false, seenOther = false, seenPlain = false;
  for (const auto& d : devices) {
    if (d.devnode == "/dev/ttyACM0") {
      seenTool = d.vendorId == 0x1A86 && d.productId == 0xFE0C;
    } else if (d.devnode == "/dev/ttyUSB0") {
      seenOther = d.vendorId == 0x1A86 && d.productId == 0x7523;
    } else if (d.devnode == "/dev/ttyS0") {
      seenPlain = d.vendorId == 0 && d.productId == 0;
    }
  }
  EXPECT_TRUE(seenTool);
  EXPECT_TRUE(seenOther);
  EXPECT_TRUE(seenPlain);

  const int port = FindComPortByUsbId(kToolVendorId, kToolProductId);
  EXPECT_EQ(Ports().PathOf(port), "/dev/ttyACM0");
}

}  // namespace
}  // namespace vortik
