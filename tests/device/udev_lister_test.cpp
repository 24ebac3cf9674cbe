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

  const int port = FindComPortByUsbId(lister, kToolVendorId, kToolProductId);
  EXPECT_EQ(Ports().PathOf(port), "/dev/ttyACM0");
}

// The look-up that starts from the USB device finds exactly the ttys below the device with the
// IDs asked for.
TEST(UdevLister, FindsTheTtysBelowTheUsbDeviceWithTheIds) {
  if (std::getenv("UMOCKDEV_DIR") == nullptr) GTEST_SKIP() << "needs umockdev-run";
  platform::UdevDeviceLister lister;
  const struct {
    uint16_t vendorId, productId;
    std::vector<std::string> devnodes;
  } cases[] = {
      {0x1A86, 0xFE0C, {"/dev/ttyACM0"}},
      {0x1A86, 0x7523, {"/dev/ttyUSB0"}},
      {0x1A86, 0x0001, {}},
      {0x0000, 0x0000, {}},
  };
  for (const auto& c : cases) {
    std::vector<platform::TtyDevice> devices;
    ASSERT_TRUE(lister.FindTtyDevices(c.vendorId, c.productId, devices));
    std::vector<std::string> devnodes;
    for (const auto& d : devices) {
      devnodes.push_back(d.devnode);
      EXPECT_EQ(d.vendorId, c.vendorId);
      EXPECT_EQ(d.productId, c.productId);
    }
    EXPECT_EQ(devnodes, c.devnodes) << std::hex << c.vendorId << ":" << c.productId;
  }
}

}  // namespace
}  // namespace vortik
