// The Print page's drawing costs, offscreen:
//  - BM_CaptureTick: a capture growing to 1,000,000 samples in ticks of 50,000 new samples (what
//    one second at 1,000,000 baud carries): each tick adds the points, updates the statistics
//    and redraws the chart. Counters: the median and the largest tick, the first tick (a small
//    chart: the reference) and a redraw of the whole capture in view (median of 9).
//  - BM_ReportAppend: one receiver tick appending a coloured line and repainting the view, with
//    the report empty (the reference) and holding 10 MB of text.
#include <QApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "device/stream_receiver.h"
#include "print/ui/report_view.h"
#include "print/ui/wave_chart.h"
#include "print/wave_monitor.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

class QuietPage : public vortik::WavePage {
 public:
  void SetPrintView(bool) override {}
  void RunCaptureTimer(bool) override {}
};

void BM_CaptureTick(benchmark::State& state) {
  constexpr int kTotal = 1000000;
  constexpr int kPerTick = 50000;
  for (auto _ : state) {
    vortik::MainState main;
    QuietPage page;
    vortik::WaveChart chart(nullptr, main.langText);
    chart.resize(913, 417);
    chart.show();
    vortik::WaveMonitor monitor(main, chart, page);
    chart.SetMonitor(&monitor);
    std::vector<uint8_t> payload(2000);
    std::vector<double> ticks;
    int value = 0;
    for (int done = 0; done < kTotal; done += kPerTick) {
      // The frames of one second arrive between two ticks (not timed: the receiver's work).
      for (int i = 0; i < kPerTick; i += 1000) {
        for (int k = 0; k < 1000; ++k) {
          const int v = 110 + (value++ / 7) % 40;
          payload[2 * k] = static_cast<uint8_t>(v);
          payload[2 * k + 1] = 0;
        }
        monitor.AddWaveSamples(payload.data(), 2000);
      }
      const auto start = Clock::now();
      monitor.TimerMonitorWaveRecvTimer();
      chart.replot(QCustomPlot::rpImmediateRefresh);
      ticks.push_back(Ms(start));
    }
    std::vector<double> whole;
    for (int i = 0; i < 9; ++i) {
      chart.SetBottomRange(0, kTotal);
      const auto start = Clock::now();
      chart.replot(QCustomPlot::rpImmediateRefresh);
      whole.push_back(Ms(start));
    }
    state.counters["first_tick_ms"] = ticks.front();
    state.counters["tick_median_ms"] = Median(ticks);
    state.counters["tick_max_ms"] = *std::max_element(ticks.begin(), ticks.end());
    state.counters["whole_redraw_ms"] = Median(whole);
    state.counters["points"] = chart.graph(0)->dataCount();
  }
}
BENCHMARK(BM_CaptureTick)->Iterations(1)->Unit(benchmark::kMillisecond);

class EditView : public vortik::ReceiverView {
 public:
  explicit EditView(vortik::ReportEdit& edit) : edit_(edit) {}
  void AppendReportText(const std::string& utf8, vortik::Colour colour) override {
    edit_.AppendText(
        QString::fromStdString(utf8),
        QColor(vortik::RedOf(colour), vortik::GreenOf(colour), vortik::BlueOf(colour)));
  }
  void AppendBuiltInText(const std::string& utf8) override {
    edit_.AppendBuiltIn(QString::fromStdString(utf8));
  }
  void AddWaveSamples(const uint8_t*, int) override {}
  void EndWaveCapture() override {}
  bool CaptureTimerEnabled() const override { return false; }
  bool ChartVisible() const override { return false; }
  void SetPrintView(bool) override {}

 private:
  vortik::ReportEdit& edit_;
};

// Argument: megabytes of report already shown.
void BM_ReportAppend(benchmark::State& state) {
  vortik::ReportEdit edit(nullptr);
  edit.resize(921, 425);
  edit.show();
  const int megabytes = static_cast<int>(state.range(0));
  if (megabytes > 0) {
    QString line = QStringLiteral("Cell %1 voltage 12.6 V  resistance 4.62 mOhm  state good\n");
    QString text;
    text.reserve(megabytes * 1024 * 1024 + 100);
    for (int i = 0; text.size() < megabytes * 1024 * 1024; ++i) text += line.arg(i, 8);
    edit.setPlainText(text);
    edit.verticalScrollBar()->setValue(edit.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
  }
  vortik::MainState main;
  EditView view(edit);
  vortik::StreamReceiver receiver(main, view);
  const std::string line = std::string("\0$$\x01I", 5) + "Charging system: ripple high\r\n";
  for (auto _ : state) {
    bool given = false;
    receiver.UartReadTimerTimer([&](uint8_t* buffer, int) {
      if (given) return 0;
      given = true;
      std::copy(line.begin(), line.end(), buffer);
      return static_cast<int>(line.size());
    });
    edit.viewport()->repaint();
  }
  state.counters["report_chars"] = static_cast<double>(edit.document()->characterCount());
}
BENCHMARK(BM_ReportAppend)->ArgName("MB")->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
