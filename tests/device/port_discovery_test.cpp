#include "device/port_discovery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "device/fake_lister.h"
#include "device/port_table.h"
#include "helpers/scoped_temp_dir.h"
#include "i18n/lang_table.h"
#include "i18n/temp_folder.h"
#include "platform/device_enum.h"

namespace vortik {
namespace {

using test::FakeLister;

class PortDiscovery : public ::testing::Test {
 protected:
  FakeLister lister;
};

TEST_F(PortDiscovery, FirstMatchingDeviceDecides) {
  lister.devices = {{"/dev/ttyS0", 0, 0},
                    {"/dev/ttyUSB7", 0x1A86, 0x7523},  // same maker, another product
                    {"/dev/ttyACM3", 0x1A86, 0xFE0C},
                    {"/dev/ttyACM4", 0x1A86, 0xFE0C}};
  const int port = FindComPortByUsbId(lister, kToolVendorId, kToolProductId);
  EXPECT_GT(port, 0);
  EXPECT_EQ(Ports().PathOf(port), "/dev/ttyACM3");
  EXPECT_EQ(FindComPortByUsbId(lister, kToolVendorId, kToolProductId), port);  // keeps its number

  // A first match without a device node is no tool, even if a later one has a node.
  lister.devices = {{"", 0x1A86, 0xFE0C}, {"/dev/ttyACM4", 0x1A86, 0xFE0C}};
  EXPECT_EQ(FindComPortByUsbId(lister, kToolVendorId, kToolProductId), 0);
}

TEST_F(PortDiscovery, NoToolOrNoListGivesZero) {
  lister.devices = {{"/dev/ttyS0", 0, 0}, {"/dev/ttyUSB0", 0x0403, 0x6001}};
  EXPECT_EQ(FindComPortByUsbId(lister, kToolVendorId, kToolProductId), 0);
  lister.devices = {{"/dev/ttyACM0", 0x1A86, 0xFE0C}};
  lister.ok = false;
  EXPECT_EQ(FindComPortByUsbId(lister, kToolVendorId, kToolProductId), 0);
}

// The demo's emulated tool: listed as the tool while its link exists, and the link's folder
// watched so that the link's coming and going (and nothing else there) counts as a change.
TEST(DemoToolLink, ListedWhileTheLinkExistsAndFollowedInItsFolder) {
  test::ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string link = folder.File("tty");
  const std::string other = folder.File("other");
  const std::string staged = folder.File("tty.new");
  platform::LinkDeviceLister lister(link, kToolVendorId, kToolProductId);
  platform::LinkWatcher watcher(link);
  ASSERT_TRUE(watcher.Open());
  ASSERT_GE(watcher.fd(), 0);

  EXPECT_EQ(FindComPortByUsbId(lister, kToolVendorId, kToolProductId), 0);
  EXPECT_FALSE(watcher.TakeChanges());
  ASSERT_EQ(symlink("/dev/null", other.c_str()), 0);
  EXPECT_FALSE(watcher.TakeChanges()) << "another name in the folder";

  ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
  EXPECT_TRUE(watcher.TakeChanges()) << "link made";
  const int port = FindComPortByUsbId(lister, kToolVendorId, kToolProductId);
  EXPECT_GT(port, 0);
  EXPECT_EQ(Ports().PathOf(port), link);
  EXPECT_EQ(FindComPortByUsbId(lister, 0x1234, 0x5678), 0)
      << "listed with the tool's identity only";

  ASSERT_EQ(symlink("/dev/zero", staged.c_str()), 0);
  ASSERT_EQ(rename(staged.c_str(), link.c_str()), 0);
  EXPECT_TRUE(watcher.TakeChanges()) << "link replaced";

  ASSERT_EQ(unlink(link.c_str()), 0);
  EXPECT_TRUE(watcher.TakeChanges()) << "link removed";
  EXPECT_FALSE(watcher.TakeChanges()) << "each notice taken once";
  EXPECT_EQ(FindComPortByUsbId(lister, kToolVendorId, kToolProductId), 0);
}

TEST(StatusTexts, ConnectedAndConnecting) {
  EXPECT_EQ(ConnectedStatusText(TextTable{}, 5), "Device connected to COM5 ");
  EXPECT_EQ(ConnectingStatusText(TextTable{}, 5), "Device connecting to COM5  ......");

  // The port number sits between the two parts of the language's text.
  testing::TempFolder dir;
  const std::string path = dir.File("lang.ini");
  testing::WriteBytes(
      path, testing::Utf16LeFile("[set]\r\nval=3\r\n[jp]\r\nLabelStatus1=デバイスが COM\r\n"
                                 "LabelStatus1Part2=に接続されました\r\n"));
  EXPECT_EQ(ConnectedStatusText(LoadLanguageTable(path).texts, 12),
            "デバイスが COM12 に接続されました");
}

}  // namespace
}  // namespace vortik
