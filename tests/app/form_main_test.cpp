#include "app/form_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPushButton>

#include <gtest/gtest.h>

namespace vortik {
namespace {

TEST(FormMain, StartsWithTheDocumentedState) {
  TFormMain form;
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

  EXPECT_FALSE(form.UartReadTimer->isActive());
  EXPECT_EQ(form.UartReadTimer->interval(), 100);
  EXPECT_TRUE(form.TimerCheckInternet->isActive());
  // 1000 ms at step 6; the skin's first drawing of the disconnected indicator makes it 5000.
  EXPECT_EQ(form.TimerCheckInternet->interval(), 5000);
  EXPECT_FALSE(form.TimerAnimator->isActive());
  EXPECT_EQ(form.TimerAnimator->interval(), 800);
  EXPECT_FALSE(form.TimerMonitorWaveRecv->isActive());
  EXPECT_EQ(form.TimerMonitorWaveRecv->interval(), 1000);

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
  TFormMain form;
  form.show();
  // Would block if it asked for confirmation.
  form.findChild<QPushButton*>(QStringLiteral("SpeedButton4"))->click();
  EXPECT_TRUE(form.state().appClosing);
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace vortik
