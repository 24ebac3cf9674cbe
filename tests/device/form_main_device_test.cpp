// The main window's device link: discovery and the status line, the upgrade mode switch, and
// the ID and version buttons against the emulated tool.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ui/form_main.h"
#include "device/fake_lister.h"
#include "device/frame.h"
#include "device/port_table.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "platform/device_enum.h"
#include "platform/serial_port.h"
#include "print/ui/print_page.h"
#include "scantool_sim.h"
#include "skin/ui/message_box.h"
#include "upgrade/ui/ask_string.h"

namespace vortik {
namespace {

using test::FakeLister;

class FormDevice : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tool.Start()); }
  void TearDown() override { form.reset(); }
  void PlugTool() { lister.devices = {{"/dev/ttyS0", 0, 0}, {tool.path(), 0x1A86, 0xFE0C}}; }
  void MakeForm() {
    form = std::make_unique<TFormMain>(test::TestConfig(), test::ServicesListing(lister));
    dialogs_.InstallOn(form.get());
    // The Local Upgrade page's controls are looked up by name: built, as a visit would.
    form->page(PageId::kLocalUpgrade);
  }
  template <typename T = QWidget>
  T* Find(const QString& name) const {
    T* control = form->findChild<T*>(name);
    EXPECT_NE(control, nullptr) << name.toStdString();
    return control;
  }
  QLabel* Status() const { return Find<QLabel>(QStringLiteral("Label_Status")); }
  QPushButton* Button(const char* name) const {
    return Find<QPushButton>(QString::fromLatin1(name));
  }
  std::vector<QWidget*> UpgradeControls() const {
    std::vector<QWidget*> controls;
    for (const char* name : {"Button_LocalUpgrade1", "Button_LocalUpgrade2", "Button_LocalUpgrade3",
                             "Button_UpgradeSelect1", "Button_UpgradeSelect2",
                             "Button_UpgradeSelect3", "Button_QueryID", "Button_SetID",
                             "Button_QueryVersion", "Button_InternetUpdate", "Label_CheckUpdate"}) {
      controls.push_back(Find(QString::fromLatin1(name)));
    }
    return controls;
  }
  bool AllEnabled(bool enabled) const {
    for (QWidget* w : UpgradeControls()) {
      if (w->isEnabled() != enabled) return false;
    }
    return true;
  }

  FakeLister lister;
  sim::ScanToolSim tool;
  test::TestDialogs dialogs_;
  std::unique_ptr<TFormMain> form;
  std::vector<std::string>& messages = dialogs_.messages;  // every message box, in order
};

TEST_F(FormDevice, ConnectsAtStartAndFollowsUnplugAndReplug) {
  PlugTool();
  MakeForm();
  const int port = Ports().NumberOf(tool.path());
  ASSERT_GT(port, 0);
  EXPECT_EQ(form->state().comPort, port);
  EXPECT_TRUE(form->SyncUart().Active());
  EXPECT_EQ(Status()->text().toStdString(), "Device connected to COM" + std::to_string(port) + " ");
  EXPECT_EQ(Status()->toolTip().toStdString(), tool.path());
  EXPECT_TRUE(AllEnabled(true));
  EXPECT_FALSE(form->printPage()->UartReadTimer->isActive());  // not on the Print tab

  // The same port again: nothing changes, not even the status line.
  Status()->setText(QStringLiteral("unchanged"));
  form->ScanDevicePort();
  EXPECT_EQ(Status()->text(), QStringLiteral("unchanged"));

  form->state().langText.Set(TextId::LabelStatus, "Please connect the device to the computer");
  lister.devices.clear();
  form->ScanDevicePort();
  EXPECT_EQ(form->state().comPort, 0);
  EXPECT_FALSE(form->SyncUart().Active());
  EXPECT_EQ(Status()->text(), QStringLiteral("Please connect the device to the computer"));
  EXPECT_TRUE(AllEnabled(false));

  form->state().curTab = 1;  // on the Print tab the receiver runs while the port is open
  PlugTool();
  form->ScanDevicePort();
  EXPECT_EQ(form->state().comPort, port);
  EXPECT_TRUE(form->printPage()->UartReadTimer->isActive());
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
  EXPECT_EQ(Status()->text().toStdString(),
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

  const auto gauge = [this](int n) {
    return Find<QProgressBar>(QStringLiteral("ProgressBar%1").arg(n));
  };
  const auto label = [this](int n) {
    return Find<QLabel>(QStringLiteral("Label_UpdateStatus%1").arg(n));
  };
  const auto path = [this](int n) {
    return Find<QLineEdit>(QStringLiteral("Edit_UpgradePath%1").arg(n));
  };
  form->SetUpgradeMode(2);
  EXPECT_TRUE(AllEnabled(false));
  EXPECT_EQ(form->curGauge(), gauge(2));
  EXPECT_EQ(form->curStatusLabel(), label(2));
  EXPECT_FALSE(gauge(2)->isHidden());
  EXPECT_FALSE(label(2)->isHidden());
  EXPECT_TRUE(path(2)->isHidden());
  EXPECT_FALSE(path(1)->isHidden());
  gauge(2)->setValue(40);

  form->SetUpgradeMode(0);
  EXPECT_TRUE(AllEnabled(true));
  for (int n = 1; n <= 3; ++n) {
    EXPECT_FALSE(path(n)->isHidden()) << n;
    EXPECT_TRUE(gauge(n)->isHidden()) << n;
    EXPECT_TRUE(label(n)->isHidden()) << n;
    EXPECT_EQ(gauge(n)->geometry(), path(n)->geometry()) << n;  // the gauge takes its place
  }
  EXPECT_EQ(form->curGauge(), gauge(2));  // mode 0 keeps the pair, gauge back to 0
  EXPECT_EQ(gauge(2)->value(), 0);

  gauge(2)->setValue(30);
  form->SetUpgradeMode(-1);
  EXPECT_EQ(form->curGauge(), gauge(2));
  EXPECT_EQ(form->curStatusLabel(), label(2));
  EXPECT_TRUE(AllEnabled(true));

  form->SetUpgradeMode(10);
  EXPECT_EQ(form->curGauge(), Find<QProgressBar>(QStringLiteral("ProgressBar10")));
  EXPECT_EQ(form->curStatusLabel(), Status());
  EXPECT_TRUE(AllEnabled(false));
}

TEST_F(FormDevice, QueryButtons) {
  PlugTool();
  MakeForm();
  form->SetUpgradeMode(10);  // a run before them left the status line as their label
  form->SetUpgradeMode(0);
  Button("Button_QueryVersion")->click();
  Button("Button_QueryID")->click();
  tool.AddFault({sim::Fault::kBadCrc, 0, 0, 3});
  Button("Button_QueryID")->click();
  EXPECT_EQ(messages, (std::vector<std::string>{"TQ850-1.2  ROM_ver:1.0.0 FLASH_ver:1.0.0",
                                                "ID: 000000000001", "Fail to request device ID!"}));
  // The commands' steps wrote to the status line; once each has ended it shows the port again.
  EXPECT_EQ(Status()->text().toStdString(),
            "Device connected to COM" + std::to_string(form->state().comPort) + " ");
  EXPECT_TRUE(Button("Button_QueryID")->isEnabled());
  EXPECT_TRUE(Button("Button_QueryVersion")->isEnabled());
}

TEST_F(FormDevice, SetIdValidatesAndAdvancesItsProposal) {
  PlugTool();
  MakeForm();
  std::vector<std::string> offered;
  std::string answer;
  bool confirm = true;
  dialogs_.answers->askString = [&](QWidget*, const QString& prompt, QString& text, int maxLength) {
    EXPECT_EQ(prompt, QStringLiteral("ID"));
    EXPECT_EQ(maxLength, 12);
    offered.push_back(text.toStdString());
    if (confirm) text = QString::fromStdString(answer);
    return confirm;
  };
  const auto setId = [&](const std::string& text) {
    answer = text;
    messages.clear();
    Button("Button_SetID")->click();
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
  EXPECT_TRUE(Button("Button_SetID")->isEnabled());
}

}  // namespace
}  // namespace vortik
