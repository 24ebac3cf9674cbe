#include "device/device_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/host.h"
#include "base/text_helpers.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "helpers/recording_host.h"
#include "helpers/tool_on_pty.h"
#include "platform/clock.h"
#include "scantool_sim.h"

namespace vortik {
namespace {

using FakeHost = test::RecordingHost;

std::array<uint8_t, 10> Entry(uint8_t tag) {
  return {0, 0, 0x20, 0, 0, 0, 0x10, 0, 0, tag};
}

class DeviceCommands : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(test::OpenOnTool(tool, uart)); }

  bool AskInfo() {
    info = RequestDeviceInfo(host, uart);
    return info.has_value();
  }

  sim::ScanToolSim tool;
  TSyncUart uart;
  FakeHost host;
  std::optional<DeviceInfo> info;
};

TEST_F(DeviceCommands, ShortDeviceInfoForms) {
  sim::Identity id;
  id.form = sim::Identity::InfoForm::kShort50;
  id.type = "TQ850";
  id.subtype = "1.2";
  id.romVersion = "1.0.3";
  id.flashVersion = "0123456789";  // ten characters: no terminator
  tool.SetIdentity(id);
  ASSERT_TRUE(AskInfo());
  EXPECT_EQ(FieldText(info->type), "TQ850");
  EXPECT_EQ(FieldText(info->subtype), "1.2");
  EXPECT_EQ(FieldText(info->romVersion), "1.0.3");
  EXPECT_EQ(FieldText(info->flashVersion), "0123456789");
  EXPECT_EQ(info->romBlockSize, 512);
  EXPECT_EQ(info->flashBlockSize, 512);
  EXPECT_FALSE(info->extended);
  EXPECT_TRUE(info->parts.empty());
  EXPECT_EQ(host.statusTexts, std::vector<std::string>{"Request device info..."});

  id.form = sim::Identity::InfoForm::kShort54;
  id.romBlockSize = 0x0200;
  id.flashBlockSize = 0x1000;  // 00 02 00 10 on the wire
  tool.SetIdentity(id);
  ASSERT_TRUE(AskInfo());
  EXPECT_EQ(info->romBlockSize, 512);
  EXPECT_EQ(info->flashBlockSize, 4096);
  id.romBlockSize = 0x0180;  // low byte 0x80, high byte 0x01
  tool.SetIdentity(id);
  ASSERT_TRUE(AskInfo());
  EXPECT_EQ(info->romBlockSize, 384);
}

TEST_F(DeviceCommands, LongDeviceInfoWithPartTable) {
  sim::Identity id;
  id.type = "TQ860";
  id.subtype = "EU";
  id.romBlockSize = 1024;
  id.flashBlockSize = 4096;
  id.parts = {Entry(0), Entry(1), Entry(2)};
  id.languageRecord = "EN";
  tool.SetIdentity(id);
  const uint32_t start = platform::TickCountMs();
  ASSERT_TRUE(AskInfo());
  // Taken as soon as the whole frame is in, not after the 2,500 ms time-out.
  EXPECT_LT(platform::TickCountMs() - start, kCmdRequestDeviceInfo.timeoutMs / 2);
  EXPECT_EQ(FieldText(info->type), "TQ860");
  EXPECT_EQ(FieldText(info->subtype), "EU");
  EXPECT_EQ(info->romBlockSize, 1024);
  EXPECT_EQ(info->flashBlockSize, 4096);
  EXPECT_TRUE(info->extended);
  EXPECT_FALSE(info->family500);
  ASSERT_EQ(info->parts.size(), 4u);
  EXPECT_EQ(info->parts[2], Entry(2));
  const std::array<uint8_t, 10> language = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 'E',  'N'};
  EXPECT_EQ(info->parts[3], language);

  // Count 511: no table.
  id.noPartTable = true;
  tool.SetIdentity(id);
  ASSERT_TRUE(AskInfo());
  EXPECT_TRUE(info->extended);
  EXPECT_TRUE(info->parts.empty());
}

TEST_F(DeviceCommands, Family500LayoutShiftsTheFields) {
  sim::Identity id;
  id.family500 = true;
  id.familyTag = "XY500Z";
  id.type = "TQ520";
  id.subtype = "US";
  id.romVersion = "2.0";
  id.flashVersion = "2.1";
  id.romBlockSize = 2048;
  id.parts = {Entry(0), Entry(7)};
  tool.SetIdentity(id);
  ASSERT_TRUE(AskInfo());
  EXPECT_EQ(FieldText(info->type), "TQ520");
  EXPECT_EQ(FieldText(info->subtype), "US");
  EXPECT_EQ(FieldText(info->romVersion), "2.0");
  EXPECT_EQ(FieldText(info->flashVersion), "2.1");
  EXPECT_EQ(info->romBlockSize, 2048);
  EXPECT_TRUE(info->family500);
  ASSERT_EQ(info->parts.size(), 2u);
  EXPECT_EQ(info->parts[1], Entry(7));

  // Each reply describes the tool that sent it: another tool's reply is not of the family.
  id.family500 = false;
  tool.SetIdentity(id);
  ASSERT_TRUE(AskInfo());
  EXPECT_FALSE(info->family500);
  EXPECT_EQ(FieldText(info->type), "TQ520");
}

TEST_F(DeviceCommands, UnusableDeviceInfoIsRefusedOnEveryAttempt) {
  sim::Identity base;
  base.parts = {Entry(0)};
  struct Case {
    const char* what;
    sim::Identity id;
  };
  std::vector<Case> cases;
  Case tooManyParts{"541 parts", base};
  tooManyParts.id.parts.assign(541, Entry(1));
  cases.push_back(tooManyParts);
  Case zeroBlock{"ROM block size 0", base};
  zeroBlock.id.romBlockSize = 0;
  cases.push_back(zeroBlock);
  Case hugeBlock{"FLASH block size 5108", base};
  hugeBlock.id.flashBlockSize = kMaxBlockSize + 1;
  cases.push_back(hugeBlock);
  Case shortHuge{"54-byte form, block size 6000", base};
  shortHuge.id.form = sim::Identity::InfoForm::kShort54;
  shortHuge.id.romBlockSize = 6000;
  cases.push_back(shortHuge);
  for (const Case& c : cases) {
    tool.SetIdentity(c.id);
    const int before = tool.RequestCount(kCmdRequestDeviceInfo.code);
    EXPECT_FALSE(AskInfo()) << c.what;
    EXPECT_EQ(tool.RequestCount(kCmdRequestDeviceInfo.code) - before, 3) << c.what;
  }
  base.parts.assign(540, Entry(1));  // the most that fits
  tool.SetIdentity(base);
  ASSERT_TRUE(AskInfo());
  EXPECT_EQ(info->parts.size(), 540u);
}

TEST_F(DeviceCommands, RetriesUntilAcceptedThenGivesUpAfterThreeAttempts) {
  tool.AddFault({sim::Fault::kBadStatus, kCmdSetId.code, 0, 2});
  EXPECT_TRUE(SetId(host, uart, "123456789012"));
  EXPECT_EQ(tool.RequestCount(kCmdSetId.code), 3);
  EXPECT_EQ(tool.identity().id, "123456789012");

  tool.AddFault({sim::Fault::kBadCrc, kCmdQueryId.code, 0, 1});
  char id[13];
  EXPECT_TRUE(QueryId(host, uart, id));
  EXPECT_STREQ(id, "123456789012");
  EXPECT_EQ(tool.RequestCount(kCmdQueryId.code), 2);

  tool.AddFault({sim::Fault::kWrongCode, kCmdNotifyFirmwareSize.code, 0, 3});
  EXPECT_FALSE(NotifyFirmwareSize(host, uart, FirmwareKind::kFlash, 1));
  EXPECT_EQ(tool.RequestCount(kCmdNotifyFirmwareSize.code), 3);
  EXPECT_TRUE(NotifyFirmwareSize(host, uart, FirmwareKind::kFlash, 1));
}

TEST_F(DeviceCommands, ClosingStopsTheAttempts) {
  host.state().appClosing = true;
  EXPECT_FALSE(AskInfo());
  EXPECT_EQ(tool.RequestCount(kCmdRequestDeviceInfo.code), 0);

  // Closing while an attempt waits: no further attempt follows.
  host.state().appClosing = false;
  tool.AddFault({sim::Fault::kSilent, kCmdSetId.code, 0, -1});
  uart.SetEventHost(&host);
  host.onEvents = [](test::RecordingHost& h) { h.state().appClosing = true; };
  EXPECT_FALSE(SetId(host, uart, "000000000001"));
  EXPECT_EQ(tool.RequestCount(kCmdSetId.code), 1);
}

TEST_F(DeviceCommands, AnnouncementPayloads) {
  ASSERT_TRUE(NotifyLatestVersion(host, uart, "TQ850", "SUBTYPE-TOO-LONG", "0.0.0", "0.0.0", 1));
  std::vector<uint8_t> frame = tool.LastRequest(kCmdNotifyLatestVersion.code);
  ASSERT_EQ(frame.size(), 51u);
  const uint8_t* p = frame.data() + kFramePayloadOffset;
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 1), 10),
            std::string("TQ850\0\0\0\0\0", 10));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 11), 10), "SUBTYPE-TO");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 21), 10),
            std::string("0.0.0\0\0\0\0\0", 10));

  ASSERT_TRUE(NotifyFirmwareSize(host, uart, FirmwareKind::kLogo, 0x12345678));
  frame = tool.LastRequest(kCmdNotifyFirmwareSize.code);
  ASSERT_EQ(frame.size(), 15u);
  EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 6, frame.begin() + 11),
            (std::vector<uint8_t>{3, 0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(host.statusTexts,
            (std::vector<std::string>{"Notify latest version...", "Notify firmware size..."}));
}

TEST(DeviceIdRules, TrimValidateAndAdvance) {
  EXPECT_EQ(TrimIdText(" \t000000000001\r\n"), "000000000001");
  EXPECT_EQ(TrimIdText("   "), "");
  const struct {
    const char* id;
    bool valid;
  } ids[] = {{"00000000001", false},   {"0000000000.1", true},
             {".00000000001", false},  {"000000000001", true},
             {"-00000000001", true},   {"0000000001 1", false},
             {"0000000000001", false}, {"", false}};
  for (const auto& c : ids) EXPECT_EQ(IsValidDeviceId(c.id), c.valid) << c.id;
  EXPECT_EQ(NextIdProposal("000000000099"), "000000000100");
  EXPECT_EQ(NextIdProposal("999999999999"), "000000000000");
  EXPECT_EQ(NextIdProposal("000000000008"), "000000000009");
  EXPECT_EQ(NextIdProposal("-0000000.999"), "-00000010000");  // the point is not a digit
}

TEST(TextHelpers, IsNumberText) {
  for (const char* yes : {"12", "-5", "3.", "+.5", "-", "0.25"})
    EXPECT_TRUE(IsNumberText(yes)) << yes;
  for (const char* no : {"1e5", ".5", "1,2", "12 ", "", "1.2.3", "a1"}) {
    EXPECT_FALSE(IsNumberText(no)) << no;
  }
  EXPECT_FALSE(IsNumberText(nullptr));
}

TEST(TextHelpers, FindTextNoCase) {
  const char* text = "USB Serial (com7)";
  EXPECT_EQ(FindTextNoCase(text, "(COM"), text + 11);
  EXPECT_EQ(FindTextNoCase(text, ""), text);
  EXPECT_EQ(FindTextNoCase(text, "(COM8"), nullptr);
  const char* partial = "aaab";
  EXPECT_EQ(FindTextNoCase(partial, "aab"), partial + 1);  // restarts after a partial match
  const char* cr = "x\ry";
  EXPECT_EQ(FindTextNoCase(cr, "-"), cr + 1);  // CR and '-' fold together
  EXPECT_EQ(FindTextNoCase(nullptr, "a"), nullptr);
  EXPECT_EQ(FindTextNoCase("a", nullptr), nullptr);
  EXPECT_EQ(FindTextNoCase("ab", "abc"), nullptr);
}

}  // namespace
}  // namespace vortik
