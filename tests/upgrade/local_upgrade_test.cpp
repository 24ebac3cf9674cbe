// The Local Upgrade page against the emulated tool: file choice, the burn of each box, and the
// one message every outcome shows, with the page back to idle afterwards.
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
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "platform/device_enum.h"
#include "scantool_sim.h"
#include "skin/ui/file_dialog.h"
#include "skin/ui/message_box.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

using test::FakeLister;

class LocalUpgradePage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tool.Start());
    lister.devices = {{tool.path(), 0x1A86, 0xFE0C}};
    form = std::make_unique<TFormMain>(test::TestConfig(), test::ServicesListing(lister));
    dialogs_.InstallOn(form.get());
    form->ShowPage(PageId::kLocalUpgrade);
    ASSERT_GT(form->state().comPort, 0);
  }
  void TearDown() override { form.reset(); }
  QLineEdit* Edit(int box) const {
    return form->findChild<QLineEdit*>(QStringLiteral("Edit_UpgradePath%1").arg(box));
  }
  QPushButton* Update(int box) const {
    return form->findChild<QPushButton*>(QStringLiteral("Button_LocalUpgrade%1").arg(box));
  }
  void ExpectIdle() const {
    EXPECT_EQ(form->state().upgradeMode, 0);
    for (int box = 1; box <= 3; ++box) {
      EXPECT_FALSE(Edit(box)->isHidden()) << box;
      EXPECT_TRUE(
          form->findChild<QLabel*>(QStringLiteral("Label_UpdateStatus%1").arg(box))->isHidden())
          << box;
      EXPECT_TRUE(Update(box)->isEnabled()) << box;
    }
  }

  FakeLister lister;
  sim::ScanToolSim tool;
  test::TestDialogs dialogs_;
  std::unique_ptr<TFormMain> form;
  std::vector<std::string>& messages = dialogs_.messages;  // every message box, in order
  test::ScopedTempDir dir;
};

TEST_F(LocalUpgradePage, SelectFillsThePathWithTheBoxFilterAndCancelKeepsIt) {
  std::vector<QString> filters;
  QString answer = QStringLiteral("/tmp/a.rom");
  dialogs_.answers->openFile = [&](QWidget*, const QString& filter) {
    filters.push_back(filter);
    return answer;
  };
  form->findChild<QPushButton*>(QStringLiteral("Button_UpgradeSelect1"))->click();
  EXPECT_EQ(Edit(1)->text(), QStringLiteral("/tmp/a.rom"));
  answer.clear();  // cancelled
  form->findChild<QPushButton*>(QStringLiteral("Button_UpgradeSelect1"))->click();
  EXPECT_EQ(Edit(1)->text(), QStringLiteral("/tmp/a.rom"));
  form->findChild<QPushButton*>(QStringLiteral("Button_UpgradeSelect3"))->click();
  ASSERT_EQ(filters.size(), 3u);
  EXPECT_EQ(filters[0], QStringLiteral("ROM files|*.rom|All files|*.*"));
  EXPECT_EQ(filters[2], QStringLiteral("FLASH files|*.fls|All files|*.*"));
  EXPECT_EQ(ToQtFileFilter(filters[0]), QStringLiteral("ROM files (*.rom);;All files (*.*)"));
}

TEST_F(LocalUpgradePage, InvalidPathsAreRefusedBeforeTheDeviceIsTouched) {
  const std::string gone = dir.File("gone.rom");
  test::WriteFileBytes(gone, test::PatternBytes(100, 1));
  Edit(2)->setText(QString::fromStdString(gone));
  std::remove(gone.c_str());  // deleted after it was chosen
  for (int box : {1, 2}) {
    messages.clear();
    Update(box)->click();
    EXPECT_EQ(messages, std::vector<std::string>{"Invalid input file!"}) << box;
  }
  for (FirmwareKind kind : {FirmwareKind::kRom, FirmwareKind::kFlash}) {
    EXPECT_FALSE(tool.storage().Image(kind).has_value());
  }
  ExpectIdle();
}

TEST_F(LocalUpgradePage, EachBoxBurnsItsKindAndTheToolHoldsTheFile) {
  const FirmwareKind kinds[3] = {FirmwareKind::kRom, FirmwareKind::kFlash, FirmwareKind::kLogo};
  for (int box = 1; box <= 3; ++box) {
    const std::vector<uint8_t> image = test::PatternBytes(1000 + 4096 * (box - 1), box);
    const std::string path = dir.File("image" + std::to_string(box));
    test::WriteFileBytes(path, image);
    Edit(box)->setText(QString::fromStdString(path));
    messages.clear();
    Update(box)->click();
    EXPECT_EQ(messages, std::vector<std::string>{"Upgrade finished!"}) << box;
    ASSERT_TRUE(tool.storage().Image(kinds[box - 1]).has_value()) << box;
    EXPECT_EQ(*tool.storage().Image(kinds[box - 1]), image) << box;
    ExpectIdle();
  }
}

TEST_F(LocalUpgradePage, FailuresShowTheirOneMessage) {
  const std::string path = dir.File("image.rom");
  test::WriteFileBytes(path, test::PatternBytes(2000, 7));
  Edit(1)->setText(QString::fromStdString(path));
  Edit(3)->setText(QString::fromStdString(path));
  struct Case {
    const char* name;
    int box;
    uint16_t command;
    const char* message;
  } cases[] = {
      {"device info", 1, kCmdRequestDeviceInfo.code, "Fail to request device info!"},
      {"latest version", 1, kCmdNotifyLatestVersion.code,
       "Fail to nofity latest version to device!"},
      {"firmware size", 3, kCmdNotifyFirmwareSize.code, "Fail to nofity firmware size to device!"},
      {"ROM burn", 1, kCmdBurnBlock.code, "Burn ROM fail!"},
      {"LOGO burn", 3, kCmdBurnBlock.code, "Burn LOGO fail!"},
  };
  for (const Case& c : cases) {
    tool.ClearFaults();
    tool.AddFault({sim::Fault::kWrongCode, c.command, 0, -1});
    messages.clear();
    Update(c.box)->click();
    EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.name;
    ExpectIdle();
  }
}

}  // namespace
}  // namespace vortik
