#include "app/ui/form_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/ui/app_main.h"
#include "helpers/test_config.h"
#include "i18n/ui/language_dialog.h"
#include "print/ui/print_page.h"
#include "upgrade/pickers.h"
#include "upgrade/ui/car_type_picker.h"
#include "upgrade/ui/internet_upgrade_page.h"
#include "upgrade/ui/language_picker.h"

namespace vortik {
namespace {

TEST(FormMain, StartsWithTheDocumentedState) {
  TFormMain form(test::TestConfig());
  const MainState& s = form.state();
  EXPECT_EQ(s.upgradeMode, 0);
  EXPECT_EQ(s.curTab, 0);
  EXPECT_FALSE(s.appClosing);
  EXPECT_FALSE(s.internetConnected);
  EXPECT_FALSE(s.chartShown);
  EXPECT_EQ(s.reportCodePage, 28605u);
  EXPECT_EQ(s.waveLength, 0);
  EXPECT_EQ(s.waveCapacity, 8192u);
  EXPECT_EQ(s.waveBuffer.size(), 8192u);
  EXPECT_TRUE(s.waveRestart);
  EXPECT_EQ(s.progressMode, 0);

  EXPECT_EQ(form.size(), QSize(960, 700));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("VORTIK"));
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);

  EXPECT_FALSE(form.printPage()->UartReadTimer->isActive());
  EXPECT_EQ(form.printPage()->UartReadTimer->interval(), 100);
  EXPECT_TRUE(form.internetUpgradePage()->TimerCheckInternet->isActive());
  // 1000 ms at step 6; the skin's first drawing of the disconnected indicator makes it 5000.
  EXPECT_EQ(form.internetUpgradePage()->TimerCheckInternet->interval(), 5000);
  EXPECT_FALSE(form.internetUpgradePage()->TimerAnimator->isActive());
  EXPECT_EQ(form.internetUpgradePage()->TimerAnimator->interval(), 800);
  EXPECT_FALSE(form.printPage()->TimerMonitorWaveRecv->isActive());
  EXPECT_EQ(form.printPage()->TimerMonitorWaveRecv->interval(), 1000);

  const struct {
    const char* name;
    QRect bounds;
  } chrome[] = {
      {"Label_Status", QRect(16, 664, 905, 20)},
      {"SpeedButtonSetting", QRect(814, 16, 30, 30)},
      {"btn_minimize", QRect(868, 20, 24, 23)},
      {"SpeedButton4", QRect(920, 19, 24, 23)},
  };
  for (const auto& c : chrome) {
    QWidget* w = form.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(w, nullptr) << c.name;
    EXPECT_EQ(w->parentWidget(), &form) << c.name;
    EXPECT_EQ(w->geometry(), c.bounds) << c.name;
  }
  EXPECT_TRUE(form.findChild<QWidget*>(QStringLiteral("Button_Test1"))->isHidden());
  EXPECT_TRUE(form.findChild<QWidget*>(QStringLiteral("Button_Test2"))->isHidden());
}

TEST(FormMain, CloseRequestSetsClosingWithoutAsking) {
  TFormMain form(test::TestConfig());
  form.show();
  // Would block if it asked for confirmation.
  form.findChild<QPushButton*>(QStringLiteral("SpeedButton4"))->click();
  EXPECT_TRUE(form.state().appClosing);
  EXPECT_FALSE(form.isVisible());
}

// Nothing needs the dialogs before a click: none is made with the window. The settings button
// makes the language dialog once and shows the same one again next time.
TEST(FormMain, DialogsAreMadeOnFirstUseAndKept) {
  std::unique_ptr<TFormMain> form = BuildApplicationWindow(test::TestConfig());
  EXPECT_EQ(form->findChild<TForm1*>(), nullptr);
  EXPECT_EQ(form->findChild<TForm2*>(), nullptr);
  EXPECT_EQ(form->findChild<TForm4*>(), nullptr);

  std::vector<QWidget*> shown;
  QPushButton* settings = form->findChild<QPushButton*>(QStringLiteral("SpeedButtonSetting"));
  auto openAndClose = [&] {
    QTimer::singleShot(0, form.get(), [&] {
      QWidget* modal = QApplication::activeModalWidget();
      shown.push_back(modal);
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    });
    settings->click();
  };
  // Inside the application's loop, as a user's click would be (a loop ended earlier by a close
  // request would otherwise end the dialog's own loop at once).
  QTimer::singleShot(0, form.get(), [&] {
    openAndClose();
    openAndClose();
    QCoreApplication::quit();
  });
  QCoreApplication::exec();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(qobject_cast<TForm1*>(shown[0]), nullptr);
  EXPECT_EQ(shown[1], shown[0]);
  EXPECT_EQ(form->findChildren<TForm1*>().size(), 1);
  EXPECT_EQ(form->findChild<TForm2*>(), nullptr);
}

}  // namespace
}  // namespace vortik
