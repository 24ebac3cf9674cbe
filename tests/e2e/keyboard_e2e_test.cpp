// The window driven by the keyboard alone: no click reaches it. Key presses go through the
// window system's path (shortcuts, the focus chain, the focused control), as a user's keys do;
// the upgrade runs against the emulated tool and the fixture server, and its message box (the
// real one) is answered with Enter.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/form_main.h"
#include "app/ui/main_menu.h"
#include "device/frame.h"
#include "helpers/scoped_env.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "platform/device_enum.h"
#include "scantool_sim.h"
#include "skin/ui/message_box.h"
#include "update_server_sim.h"
#include "upgrade/firmware_file.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

class FakeLister : public platform::DeviceLister {
 public:
  bool ListTtyDevices(std::vector<platform::TtyDevice>& out) override {
    out = devices;
    return true;
  }
  std::vector<platform::TtyDevice> devices;
};

class KeyboardOnly : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim::WriteDemoContent(dir.File("server")));
    server = std::make_unique<sim::UpdateServerSim>(dir.File("server"));
    ASSERT_TRUE(server->Start());
    config.updateServer = server->BaseUrl();
    config.loopbackCountsAsConnected = true;
    sim::Options options;
    options.identity = sim::DemoIdentity();
    tool = std::make_unique<sim::ScanToolSim>(options);
    ASSERT_TRUE(tool->Start());
    lister.devices = {{tool->path(), 0x1A86, 0xFE0C}};
    form = std::make_unique<TFormMain>(config, test::ServicesListing(lister));
    // Message boxes are the real ones: the test answers them with the keyboard.
    dialogs.answers->message = nullptr;
    dialogs.InstallOn(form.get());
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->state().internetConnected = true;
  }

  void TearDown() override {
    form.reset();
    tool.reset();
    server.reset();
  }

  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWindow* window = QApplication::activeWindow() != nullptr
                          ? QApplication::activeWindow()->windowHandle()
                          : form->windowHandle();
    QTest::keyClick(window, key, modifiers);
  }

  void Type(const char* text) {
    for (const char* c = text; *c != '\0'; ++c) QTest::keyClick(form->windowHandle(), *c);
  }

  QString Focused() const {
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr ? focus->objectName() : QStringLiteral("<none>");
  }

  // Tab until the control named `name` has the focus; the names passed on the way.
  std::vector<QString> TabTo(const QString& name, Qt::KeyboardModifiers modifiers = {}) {
    std::vector<QString> passed;
    for (int i = 0; i < 40 && Focused() != name; ++i) {
      Key(Qt::Key_Tab, modifiers);
      passed.push_back(Focused());
    }
    return passed;
  }

  test::ScopedTempDir dir;
  test::ScopedEnv tmp{"TMPDIR", dir.path()};
  AppConfig config = test::TestConfig();
  FakeLister lister;
  std::unique_ptr<sim::UpdateServerSim> server;
  std::unique_ptr<sim::ScanToolSim> tool;
  test::TestDialogs dialogs;
  std::unique_ptr<TFormMain> form;
};

TEST_F(KeyboardOnly, ShortcutsAndTheTabRowChangePage) {
  // The window starts with the focus on its first control, the menu button; Tab walks the
  // title band from the left, then the tabs, then the page.
  EXPECT_EQ(Focused(), QStringLiteral("SpeedButtonMenu"));
  const std::vector<QString> walk = TabTo(QStringLiteral("Button_InternetUpdate"));
  const std::vector<QString> expected = {
      "SpeedButtonSetting", "btn_minimize", "SpeedButton4", "TabImgBtn0",
      "TabImgBtn1",         "TabImgBtn2",   "TabImgBtn3",   "Button_InternetUpdate"};
  EXPECT_EQ(walk, expected);

  // A page changed from the keyboard takes the focus to its tab, from which Tab goes on along
  // the tab row into that page (the control that had it may be on the page that went); F1's
  // page has no tab.
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    PageId page;
    const char* focused;
  };
  const Step steps[] = {
      {Qt::Key_2, Qt::ControlModifier, PageId::kPrint, "TabImgBtn1"},
      {Qt::Key_3, Qt::ControlModifier, PageId::kDtcLookup, "TabImgBtn2"},
      {Qt::Key_4, Qt::ControlModifier, PageId::kFeedback, "TabImgBtn3"},
      {Qt::Key_PageDown, Qt::ControlModifier, PageId::kInternetUpgrade, "TabImgBtn0"},  // round
      {Qt::Key_PageUp, Qt::ControlModifier, PageId::kFeedback, "TabImgBtn3"},
      {Qt::Key_1, Qt::ControlModifier, PageId::kInternetUpgrade, "TabImgBtn0"},
      {Qt::Key_F1, Qt::NoModifier, PageId::kManual, "TabImgBtn0"},
      {Qt::Key_PageDown, Qt::ControlModifier, PageId::kInternetUpgrade, "TabImgBtn0"},
  };
  for (const Step& step : steps) {
    Key(step.key, step.modifiers);
    EXPECT_EQ(form->currentPage(), step.page) << QTest::toString(step.key);
    EXPECT_EQ(Focused(), QString::fromLatin1(step.focused)) << QTest::toString(step.key);
  }
  Key(Qt::Key_4, Qt::ControlModifier);
  Key(Qt::Key_Tab);
  EXPECT_TRUE(form->builtPage(PageId::kFeedback)->isAncestorOf(QApplication::focusWidget()))
      << Focused().toStdString();
  Key(Qt::Key_1, Qt::ControlModifier);
  const std::vector<QString> intoPage = {"TabImgBtn1", "TabImgBtn2", "TabImgBtn3",
                                         "Button_InternetUpdate"};
  EXPECT_EQ(TabTo(QStringLiteral("Button_InternetUpdate")), intoPage);

  // Shift+Tab goes back; Space on a tab, then Enter on another, switch to their pages.
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Focused(), QStringLiteral("TabImgBtn3"));
  Key(Qt::Key_Space);
  EXPECT_EQ(form->currentPage(), PageId::kFeedback);
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Focused(), QStringLiteral("TabImgBtn1"));
  Key(Qt::Key_Return);
  EXPECT_EQ(form->currentPage(), PageId::kPrint);
  // On the Print page Tab reaches its four picture buttons.
  const std::vector<QString> print = TabTo(QStringLiteral("imgbtn_edit"));
  EXPECT_NE(std::find(print.begin(), print.end(), QStringLiteral("imgbtn_print")), print.end());
}

TEST_F(KeyboardOnly, MenuOpensWithF10AndAltAndClosesWithEscape) {
  QMenu* menu = form->menuButton()->popup();
  for (const Qt::Key key : {Qt::Key_F10, Qt::Key_Alt}) {
    // The menu runs its own loop while it is open: look and close it from inside.
    bool wasOpen = false;
    QTimer::singleShot(100, [&] {
      wasOpen = menu->isVisible();
      QTest::keyClick(menu->windowHandle(), Qt::Key_Escape);
    });
    QTimer::singleShot(3000, menu, &QMenu::close);  // a failing case must not hang
    Key(key);
    QTest::qWait(300);
    EXPECT_TRUE(wasOpen) << QTest::toString(key);
    EXPECT_FALSE(menu->isVisible()) << QTest::toString(key);
  }
  // Down and Enter in the open menu choose its second entry: the Local Upgrade page.
  QTimer::singleShot(100, [&] {
    QTest::keyClick(menu->windowHandle(), Qt::Key_Down);
    QTest::keyClick(menu->windowHandle(), Qt::Key_Return);
  });
  Key(Qt::Key_F10);
  QTest::qWait(300);
  EXPECT_EQ(form->currentPage(), PageId::kLocalUpgrade);
}

TEST_F(KeyboardOnly, EnterOnCheckUpdateRunsTheUpgradeAndEnterAnswersItsMessage) {
  std::vector<QString> shown;
  QTimer answer;
  answer.setInterval(20);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (QDialog* box = ActiveMessageBox(); box != nullptr && box->isActiveWindow()) {
      shown.push_back(MessageBoxText(box));
      QTest::keyClick(box->windowHandle(), Qt::Key_Return);
    }
  });
  answer.start();

  TabTo(QStringLiteral("Button_InternetUpdate"));
  ASSERT_EQ(Focused(), QStringLiteral("Button_InternetUpdate"));
  Key(Qt::Key_Return);
  EXPECT_EQ(shown, std::vector<QString>{QStringLiteral("Upgrade finished!")});
  EXPECT_GT(tool->RequestCount(kCmdRequestDeviceInfo.code), 0);
  EXPECT_TRUE(tool->storage().Image(FirmwareKind::kRom).has_value());
  EXPECT_EQ(ActiveMessageBox(), nullptr);
}

TEST_F(KeyboardOnly, TypingInTheDtcSearchKeepsTheFocusWhenTheTextIsDeleted) {
  Key(Qt::Key_3, Qt::ControlModifier);
  TabTo(QStringLiteral("EditSearch"));
  ASSERT_EQ(Focused(), QStringLiteral("EditSearch"));
  auto* edit = form->findChild<QLineEdit*>(QStringLiteral("EditSearch"));
  Type("P0");
  EXPECT_EQ(edit->text(), QStringLiteral("P0"));
  Key(Qt::Key_Backspace);
  Key(Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), QString());
  // Still in the box: the next letters go there.
  EXPECT_EQ(Focused(), QStringLiteral("EditSearch"));
  Type("P1");
  EXPECT_EQ(edit->text(), QStringLiteral("P1"));
}

}  // namespace
}  // namespace vortik
