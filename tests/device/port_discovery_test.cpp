#include "device/port_discovery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/app_config.h"
#include "device/fake_lister.h"
#include "device/port_table.h"
#include "platform/device_enum.h"

namespace vortik {
namespace {

using test::FakeLister;

class PortDiscovery : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetDeviceLister(&lister); }
  void TearDown() override {
    platform::SetDeviceLister(nullptr);
    SetConfig(AppConfig{});
  }
  FakeLister lister;
};

TEST_F(PortDiscovery, FirstMatchingDeviceDecides) {
  lister.devices = {{"/dev/ttyS0", 0, 0},
                    {"/dev/ttyUSB7", 0x1A86, 0x7523},  // same maker, another product
                    {"/dev/ttyACM3", 0x1A86, 0xFE0C},
                    {"/dev/ttyACM4", 0x1A86, 0xFE0C}};
  const int port = FindComPortByUsbId(kToolVendorId, kToolProductId);
  EXPECT_GT(port, 0);
  EXPECT_EQ(Ports().PathOf(port), "/dev/ttyACM3");
  EXPECT_EQ(FindComPortByUsbId(kToolVendorId, kToolProductId), port);  // keeps its number

  // A first match without a device node is no tool, even if a later one has a node.
  lister.devices = {{"", 0x1A86, 0xFE0C}, {"/dev/ttyACM4", 0x1A86, 0xFE0C}};
  EXPECT_EQ(FindComPortByUsbId(kToolVendorId, kToolProductId), 0);
}

TEST_F(PortDiscovery, NoToolOrNoListGivesZero) {
  lister.devices = {{"/dev/ttyS0", 0, 0}, {"/dev/ttyUSB0", 0x0403, 0x6001}};
  EXPECT_EQ(FindComPortByUsbId(kToolVendorId, kToolProductId), 0);
  lister.devices = {{"/dev/ttyACM0", 0x1A86, 0xFE0C}};
  lister.ok = false;
  EXPECT_EQ(FindComPortByUsbId(kToolVendorId, kToolProductId), 0);
}

TEST_F(PortDiscovery, DemoDeviceIsTheToolWhileItExists) {
  const std::string link = "/tmp/vortik-demo-test-" + std::to_string(getpid());
  AppConfig config;
  config.demoDevicePath = link;
  SetConfig(config);
  EXPECT_EQ(FindComPortByUsbId(kToolVendorId, kToolProductId), 0);
  ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
  const int port = FindComPortByUsbId(kToolVendorId, kToolProductId);
  unlink(link.c_str());
  EXPECT_GT(port, 0);
  EXPECT_EQ(Ports().PathOf(port), link);
}

}  // namespace
}  // namespace vortik
