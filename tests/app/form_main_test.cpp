#include "app/form_main.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace vortik {
namespace {

TEST(FormMain, StartsWithTheDocumentedState) {
  TFormMain form;
  const MainState& s = form.state();
  EXPECT_EQ(s.comPort == -1 || s.comPort >= 0, true);  // the start-up scan may have run
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

  EXPECT_EQ(form.Label_Status->geometry(), QRect(16, 664, 905, 20));
  EXPECT_EQ(form.SpeedButtonSetting->geometry(), QRect(814, 16, 30, 30));
  EXPECT_EQ(form.btn_minimize->geometry(), QRect(868, 20, 24, 23));
  EXPECT_EQ(form.SpeedButton4->geometry(), QRect(920, 19, 24, 23));
  EXPECT_TRUE(form.Button_Test1->isHidden());
  EXPECT_TRUE(form.Button_Test2->isHidden());
}

TEST(FormMain, CloseRequestSetsClosingWithoutAsking) {
  TFormMain form;
  form.show();
  form.SpeedButton4->click();  // would block if it asked for confirmation
  EXPECT_TRUE(form.state().appClosing);
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace vortik
