// The Print page end to end: the main window offscreen and the emulated tool on a pseudo-terminal
// in this process. Opening the Print tab (as the demo does) builds the page and asks the tool to
// push; its report shows in colour, then its capture as a chart: every sample, with the right
// statistics.
#include <QApplication>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "app/ui/form_main.h"
#include "base/app_config.h"
#include "device/fake_lister.h"
#include "helpers/click.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "print/ui/print_page.h"
#include "print/ui/print_panel.h"
#include "print/ui/report_view.h"
#include "print/ui/wave_chart.h"
#include "print/wave_monitor.h"
#include "scantool_sim.h"
#include "skin/ui/click_label.h"
#include "skin/ui/message_box.h"

namespace vortik {
namespace {

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

TEST(PrintEndToEnd, ThePrintTabShowsTheToolsReportThenItsCapture) {
  AppConfig config = test::TestConfig();
  config.demoPushOnPrintTab = true;
  test::TestDialogs dialogs;
  sim::Options options;
  options.wireModel = true;
  sim::ScanToolSim tool(options);
  ASSERT_TRUE(tool.Start());
  test::FakeLister lister;
  lister.devices = {{"/dev/ttyS0", 0, 0}, {tool.path(), 0x1A86, 0xFE0C}};
  {
    TFormMain form(config, test::ServicesListing(lister));
    dialogs.InstallOn(&form);
    form.show();
    ASSERT_GT(form.state().comPort, 0);
    ASSERT_EQ(form.builtPage(PageId::kPrint), nullptr);  // built when first shown
    form.SwitchTabImgBtn(1);
    ASSERT_EQ(form.state().curTab, 1);
    EXPECT_TRUE(form.printPage()->UartReadTimer->isActive());
    PrintPanel* page = static_cast<PrintPage*>(form.page(PageId::kPrint))->panel();

    ASSERT_TRUE(RunUntil(
        [&] {
          return page->RichEdit->ReportPlainText().contains(QStringLiteral("firmware 1.1.0"));
        },
        5000));
    const QString report = page->RichEdit->ReportPlainText();
    EXPECT_TRUE(report.contains(QString::fromUtf8("Напряжение АКБ: 12.6 В")));
    EXPECT_TRUE(report.contains(QString::fromUtf8("باترى سالم است")));
    EXPECT_TRUE(report.contains(QString::fromUtf8("Resistance     : 4.62 mΩ")));
    const int red = static_cast<int>(report.indexOf(QStringLiteral("Charging system")));
    ASSERT_GE(red, 0);
    QTextCursor cursor(page->RichEdit->document());
    cursor.setPosition(red + 1);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_FALSE(page->Chart1->isVisible());

    // A few seconds later the capture: the chart replaces the text and, once the end frame has
    // come and the next tick has drawn the rest, the timer stops.
    const std::vector<uint16_t> samples = sim::CaptureSamples(sim::CaptureShape::kCranking, 20000);
    ASSERT_TRUE(RunUntil([&] { return page->Chart1->isVisible(); }, 10000));
    EXPECT_FALSE(page->RichEdit->isVisible());
    ASSERT_TRUE(RunUntil(
        [&] {
          return !form.printPage()->TimerMonitorWaveRecv->isActive() &&
                 page->Chart1->graph(kVoltageSeries)->dataCount() == 20000;
        },
        10000));
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    const std::string expected = "Voltage Min=" + FormatVolts(*low / 10.0f) +
                                 "V and Max=" + FormatVolts(*high / 10.0f) + "V";
    EXPECT_EQ(page->Chart1->StaticText_SampleStat->text().toStdString(), expected);
    // Every sample of the capture is drawn, in order, at its voltage; the lines lie 0.1 V below
    // the lowest and above the highest.
    const QCPGraph* voltage = page->Chart1->graph(kVoltageSeries);
    int wrong = 0;
    for (int i = 0; i < static_cast<int>(samples.size()); ++i) {
      const auto point = voltage->data()->at(i);
      if (point->key != i || std::abs(point->value - samples[i] / 10.0) > 1e-4) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_NEAR(page->Chart1->graph(kMinLineSeries)->data()->at(0)->value, *low / 10.0 - 0.1, 1e-4);
    EXPECT_NEAR(page->Chart1->graph(kMaxLineSeries)->data()->at(0)->value, *high / 10.0 + 0.1,
                1e-4);
    EXPECT_EQ(form.state().waveLength, 40000);
    EXPECT_EQ(page->Chart1->xAxis->range(), QCPRange(0, 1023));  // scrolled back by the end
    EXPECT_EQ(tool.DroppedBytes(), 0u);
    EXPECT_TRUE(dialogs.messages.empty());
  }
}

}  // namespace
}  // namespace vortik
