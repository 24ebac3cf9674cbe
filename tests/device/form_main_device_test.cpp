// The main window's device link: discovery and the status line, the upgrade mode switch, and
// the ID and version buttons against the emulated tool.
#include <QGroupBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/form_main.h"
#include "app/message_box.h"
#include "device/ask_string.h"
#include "device/fake_lister.h"
#include "device/frame.h"
#include "device/port_table.h"
#include "platform/device_enum.h"
#include "platform/serial_port.h"
#include "scantool_sim.h"

namespace vortik {
namespace {

using test::FakeLister;

class FormDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDeviceLister(&lister);
    SetMessageBoxHook([this](const QString& text) { messages.push_back(text.toStdString()); });
    ASSERT_TRUE(tool.Start());
  }
  void TearDown() override {
    form.reset();
    SetAskStringHook(nullptr);
    SetMessageBoxHook(nullptr);
    platform::SetDeviceLister(nullptr);
  }
  void PlugTool() { lister.devices = {{"/dev/ttyS0", 0, 0}, {tool.path(), 0x1A86, 0xFE0C}}; }
  void MakeForm() { form = std::make_unique<TFormMain>(); }
  std::vector<QWidget*> UpgradeControls() const {
    return {form->Button_LocalUpgrade1,  form->Button_LocalUpgrade2,  form->Button_LocalUpgrade3,
            form->Button_UpgradeSelect1, form->Button_UpgradeSelect2, form->Button_UpgradeSelect3,
            form->Button_QueryID,        form->Button_SetID,          form->Button_QueryVersion};
  }
  bool AllEnabled(bool enabled) const {
    for (QWidget* w : UpgradeControls()) {
      if (w->isEnabled() != enabled) return false;
    }
    return true;
  }

  FakeLister lister;
  sim::ScanToolSim tool;
  std::unique_ptr<TFormMain> form;
  std::vector<std::string> messages;
};

TEST_F(FormDevice, ConnectsAtStartAndFollowsUnplugAndReplug) {
  PlugTool();
  MakeForm();
  const int port = Ports().NumberOf(tool.path());
  ASSERT_GT(port, 0);
  EXPECT_EQ(form->state().comPort, port);
  EXPECT_TRUE(form->SyncUart().Active());
  EXPECT_EQ(form->Label_Status->text().toStdString(),
            "Device connected to COM" + std::to_string(port) + " ");
  EXPECT_EQ(form->Label_Status->toolTip().toStdString(), tool.path());
  EXPECT_TRUE(AllEnabled(true));
  EXPECT_FALSE(form->UartReadTimer->isActive());  // not on the Print tab

  // The same port again: nothing changes, not even the status line.
  form->Label_Status->setText(QStringLiteral("unchanged"));
  form->ScanDevicePort();
  EXPECT_EQ(form->Label_Status->text(), QStringLiteral("unchanged"));

  form->state().langText.Set(TextId::LabelStatus, "Please connect the device to the computer");
  lister.devices.clear();
  form->ScanDevicePort();
  EXPECT_EQ(form->state().comPort, 0);
  EXPECT_FALSE(form->SyncUart().Active());
  EXPECT_EQ(form->Label_Status->text(),
            QStringLiteral("Please connect the device to the computer"));
  EXPECT_TRUE(AllEnabled(false));

  form->state().curTab = 1;  // on the Print tab the receiver runs while the port is open
  PlugTool();
  form->ScanDevicePort();
  EXPECT_EQ(form->state().comPort, port);
  EXPECT_TRUE(form->UartReadTimer->isActive());
}

TEST_F(FormDevice, NoToolAtStart) {
  MakeForm();
  EXPECT_EQ(form->state().comPort, 0);
  EXPECT_FALSE(form->SyncUart().Active());
  EXPECT_TRUE(AllEnabled(false));
}

TEST_F(FormDevice, PortHeldByAnotherProgramShowsTheConnectingText) {
  PlugTool();
  platform::SerialPort holder;
  ASSERT_TRUE(holder.Open(tool.path()));
  MakeForm();
  const int port = Ports().NumberOf(tool.path());
  EXPECT_EQ(form->state().comPort, -1);
  EXPECT_EQ(form->Label_Status->text().toStdString(),
            "Device connecting to COM" + std::to_string(port) + "  ......");
  EXPECT_TRUE(AllEnabled(false));
  // Tried again on the next scan, which now succeeds.
  holder.Close();
  form->ScanDevicePort();
  EXPECT_EQ(form->state().comPort, port);
  EXPECT_TRUE(AllEnabled(true));
}

TEST_F(FormDevice, UpgradeModeSwitch) {
  MakeForm();  // port closed
  for (int mode : {0, 1, 10, -1}) {
    form->SetUpgradeMode(mode);
    EXPECT_TRUE(AllEnabled(false)) << mode;
  }
  form->SetUpgradeMode(0);
  PlugTool();
  form->ScanDevicePort();  // opens the port and refreshes with mode -1
  EXPECT_TRUE(AllEnabled(true));

  form->SetUpgradeMode(2);
  EXPECT_TRUE(AllEnabled(false));
  EXPECT_EQ(form->curGauge, form->ProgressBar2);
  EXPECT_EQ(form->curStatusLabel, form->Label_UpdateStatus2);
  EXPECT_FALSE(form->ProgressBar2->isHidden());
  EXPECT_FALSE(form->Label_UpdateStatus2->isHidden());
  EXPECT_TRUE(form->Edit_UpgradePath2->isHidden());
  EXPECT_FALSE(form->Edit_UpgradePath1->isHidden());
  form->ProgressBar2->setValue(40);

  form->SetUpgradeMode(0);
  EXPECT_TRUE(AllEnabled(true));
  for (QLineEdit* edit :
       {form->Edit_UpgradePath1, form->Edit_UpgradePath2, form->Edit_UpgradePath3}) {
    EXPECT_FALSE(edit->isHidden());
  }
  for (QWidget* w :
       {static_cast<QWidget*>(form->ProgressBar1), static_cast<QWidget*>(form->ProgressBar2),
        static_cast<QWidget*>(form->ProgressBar3), static_cast<QWidget*>(form->Label_UpdateStatus1),
        static_cast<QWidget*>(form->Label_UpdateStatus2),
        static_cast<QWidget*>(form->Label_UpdateStatus3)}) {
    EXPECT_TRUE(w->isHidden());
  }
  EXPECT_EQ(form->curGauge, form->ProgressBar2);  // mode 0 keeps the pair, gauge back to 0
  EXPECT_EQ(form->ProgressBar2->value(), 0);

  form->ProgressBar2->setValue(30);
  form->SetUpgradeMode(-1);
  EXPECT_EQ(form->curGauge, form->ProgressBar2);
  EXPECT_EQ(form->curStatusLabel, form->Label_UpdateStatus2);
  EXPECT_TRUE(AllEnabled(true));

  form->SetUpgradeMode(10);
  EXPECT_EQ(form->curStatusLabel, form->Label_Status);
  EXPECT_TRUE(AllEnabled(false));
}

TEST_F(FormDevice, QueryButtons) {
  PlugTool();
  MakeForm();
  form->Button_QueryVersion->click();
  form->Button_QueryID->click();
  tool.AddFault({sim::Fault::kBadCrc, 0, 0, 3});
  form->Button_QueryID->click();
  EXPECT_EQ(messages, (std::vector<std::string>{"TQ850-1.2  ROM_ver:1.0.0 FLASH_ver:1.0.0",
                                                "ID: 000000000001", "Fail to request device ID!"}));
  EXPECT_TRUE(form->Button_QueryID->isEnabled());
  EXPECT_TRUE(form->Button_QueryVersion->isEnabled());
}

TEST_F(FormDevice, SetIdValidatesAndAdvancesItsProposal) {
  PlugTool();
  MakeForm();
  std::vector<std::string> offered;
  std::string answer;
  bool confirm = true;
  SetAskStringHook([&](const QString& prompt, QString& text, int maxLength) {
    EXPECT_EQ(prompt, QStringLiteral("ID"));
    EXPECT_EQ(maxLength, 12);
    offered.push_back(text.toStdString());
    if (confirm) text = QString::fromStdString(answer);
    return confirm;
  });
  const auto setId = [&](const std::string& text) {
    answer = text;
    messages.clear();
    form->Button_SetID->click();
    return messages.empty() ? std::string() : messages.back();
  };
  EXPECT_EQ(setId("00000000001"), "Invalid ID!");
  EXPECT_EQ(setId(".00000000001"), "Invalid ID!");
  EXPECT_EQ(setId("0000000000.1"), "Device ID is successfully set!");
  EXPECT_EQ(tool.identity().id, "0000000000.1");
  EXPECT_EQ(setId("  000000000099 "), "Device ID is successfully set!");
  EXPECT_EQ(tool.identity().id, "000000000099");
  EXPECT_EQ(offered.back(), "0000000000.2");  // advanced after the earlier success
  confirm = false;
  EXPECT_EQ(setId("ignored"), "");  // cancelled: nothing happens
  EXPECT_EQ(offered.back(), "000000000100");
  confirm = true;
  EXPECT_EQ(setId("999999999999"), "Device ID is successfully set!");
  setId("999999999999");
  EXPECT_EQ(offered.back(), "000000000000");

  tool.AddFault({sim::Fault::kBadStatus, kCmdSetId.code, 0, 3});
  EXPECT_EQ(setId("000000000005"), "Fail to set device ID!");
  EXPECT_TRUE(form->Button_SetID->isEnabled());
}

}  // namespace
}  // namespace vortik
