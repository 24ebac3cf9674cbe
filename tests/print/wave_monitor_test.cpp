#include "print/wave_monitor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace vortik {
namespace {

using Bytes = std::vector<uint8_t>;

class FakeChart : public WaveChartView {
 public:
  void ClearSeries(int series) override { points[series].clear(); }
  void AddPoints(int series, const std::vector<double>& x, const std::vector<double>& y) override {
    for (size_t i = 0; i < x.size(); ++i) points[series].push_back({x[i], y[i]});
  }
  void SetBottomRange(double minimum, double maximum) override { bottom = {minimum, maximum}; }
  double BottomMinimum() const override { return bottom.first; }
  double BottomMaximum() const override { return bottom.second; }
  void SetLeftRange(double minimum, double maximum, double step) override {
    left = {minimum, maximum};
    leftStep = step;
  }
  void SetStatText(const std::string& utf8) override { stat = utf8; }
  void SetTrackBarMaximum(int maximum) override {
    trackMax = maximum;
    trackPos = std::min(trackPos, trackMax);
  }
  void SetTrackBarPosition(int position) override { trackPos = std::clamp(position, 0, trackMax); }
  void Redraw() override { ++redraws; }

  std::map<int, std::vector<std::pair<double, double>>> points;
  std::pair<double, double> bottom{0, 1023};
  std::pair<double, double> left{0, 0};
  double leftStep = 0;
  std::string stat;
  int trackMax = 0;
  int trackPos = 0;
  int redraws = 0;
};

class FakePage : public WavePage {
 public:
  void SetPrintView(bool showChart) override { views.push_back(showChart); }
  void RunCaptureTimer(bool running) override { timerRunning = running; }
  std::vector<bool> views;
  bool timerRunning = false;
};

struct Fixture {
  MainState state;
  FakeChart chart;
  FakePage page;
  WaveMonitor monitor{state, chart, page};

  void Samples(const std::vector<int>& values) {
    Bytes payload;
    for (int v : values) {
      payload.push_back(static_cast<uint8_t>(v & 0xFF));
      payload.push_back(static_cast<uint8_t>(v >> 8));
    }
    monitor.AddWaveSamples(payload.data(), static_cast<int>(payload.size()));
  }
  void Count(int n, int value = 120) { Samples(std::vector<int>(static_cast<size_t>(n), value)); }
};

TEST(WaveMonitor, ExampleCapture) {
  Fixture f;
  const Bytes payload = {0x78, 0x00, 0x7D, 0x00, 0x76, 0x00};
  f.monitor.AddWaveSamples(payload.data(), 6);
  EXPECT_EQ(f.page.views, std::vector<bool>{true});
  EXPECT_TRUE(f.page.timerRunning);
  f.monitor.TimerMonitorWaveRecvTimer();
  const auto& points = f.chart.points[kVoltageSeries];
  ASSERT_EQ(points.size(), 3u);
  EXPECT_NEAR(points[0].second, 12.0, 1e-5);
  EXPECT_NEAR(points[1].second, 12.5, 1e-5);
  EXPECT_NEAR(points[2].second, 11.8, 1e-5);
  EXPECT_EQ(f.chart.stat, "Voltage Min=11.8V and Max=12.5V");
  ASSERT_EQ(f.chart.points[kMinLineSeries].size(), 2u);
  EXPECT_NEAR(f.chart.points[kMinLineSeries][0].second, 11.7, 1e-5);
  EXPECT_EQ(f.chart.points[kMinLineSeries][1].first, 3);
  EXPECT_NEAR(f.chart.points[kMaxLineSeries][1].second, 12.6, 1e-5);
  EXPECT_NEAR(f.chart.left.first, 11.7, 1e-5);
  EXPECT_NEAR(f.chart.left.second, 12.6, 1e-5);
  EXPECT_DOUBLE_EQ(f.chart.leftStep, 0.1);
  EXPECT_EQ(f.chart.bottom, (std::pair<double, double>{0, 1023}));
}

TEST(WaveMonitor, OddPayloadLeavesLowByteForNextFrame) {
  Fixture f;
  const Bytes a = {0x78, 0x00, 0x7D};
  const Bytes b = {0x00, 0x76};
  f.monitor.AddWaveSamples(a.data(), 3);
  f.monitor.TimerMonitorWaveRecvTimer();
  EXPECT_EQ(f.chart.points[kVoltageSeries].size(), 1u);
  f.monitor.AddWaveSamples(b.data(), 2);
  f.monitor.TimerMonitorWaveRecvTimer();
  ASSERT_EQ(f.chart.points[kVoltageSeries].size(), 2u);
  EXPECT_NEAR(f.chart.points[kVoltageSeries][1].second, 12.5, 1e-5);
  EXPECT_EQ(f.state.waveLength, 5);
}

TEST(WaveMonitor, WindowMovesOnAndTrackBarFollows) {
  struct Case {
    int samples;
    std::pair<double, double> bottom;
    int trackMax;
  };
  for (const Case& c :
       {Case{1022, {0, 1023}, 0}, Case{1023, {1024, 2047}, 0}, Case{1024, {1024, 2047}, 0},
        Case{1025, {1024, 2047}, 1}, Case{3000, {1024, 2047}, 1976}}) {
    SCOPED_TRACE(c.samples);
    Fixture f;
    f.Count(c.samples);
    f.monitor.TimerMonitorWaveRecvTimer();
    EXPECT_EQ(f.chart.bottom, c.bottom);
    EXPECT_EQ(f.chart.trackMax, c.trackMax);
    EXPECT_EQ(f.chart.trackPos, c.trackMax);
  }
}

TEST(WaveMonitor, LaterTicksJoinTheStatisticsFromTheirFirstSample) {
  Fixture f;
  f.Samples({120});
  f.monitor.TimerMonitorWaveRecvTimer();
  f.Samples({100, 130});
  f.monitor.TimerMonitorWaveRecvTimer();
  EXPECT_EQ(f.chart.stat, "Voltage Min=10V and Max=13V");
  EXPECT_EQ(f.chart.points[kMaxLineSeries][1].first, 3);
}

TEST(WaveMonitor, TwoQuietTicksShowTheWholeCapture) {
  Fixture f;
  f.Count(5000);
  f.monitor.TimerMonitorWaveRecvTimer();  // the first tick since the samples came draws them
  EXPECT_EQ(f.chart.bottom, (std::pair<double, double>{1024, 2047}));
  f.monitor.TimerMonitorWaveRecvTimer();
  EXPECT_EQ(f.chart.bottom, (std::pair<double, double>{0, 5000}));
  EXPECT_EQ(f.chart.trackPos, 0);
  // A short capture still shows one whole window.
  Fixture g;
  g.Count(10);
  for (int i = 0; i < 2; ++i) g.monitor.TimerMonitorWaveRecvTimer();
  EXPECT_EQ(g.chart.bottom, (std::pair<double, double>{0, 1024}));
  EXPECT_TRUE(g.monitor.CaptureTimerEnabled());
}

// A capture cut off (the tool unplugged or gave up) ends after some quiet seconds as if its end
// frame had come: the timer stops, and the next samples begin a new capture. The whole capture
// stays in view.
TEST(WaveMonitor, SilentCaptureEndsAsIfItsEndFrameCame) {
  Fixture f;
  f.Count(5000);
  for (int tick = 1; tick < kCaptureSilenceTicks; ++tick) {
    f.monitor.TimerMonitorWaveRecvTimer();
    EXPECT_TRUE(f.monitor.CaptureTimerEnabled());
    EXPECT_FALSE(f.state.waveRestart);
  }
  f.monitor.TimerMonitorWaveRecvTimer();
  EXPECT_TRUE(f.state.waveRestart);
  EXPECT_FALSE(f.monitor.CaptureTimerEnabled());
  EXPECT_FALSE(f.page.timerRunning);
  EXPECT_EQ(f.chart.bottom, (std::pair<double, double>{0, 5000}));
  EXPECT_EQ(f.chart.trackPos, 0);
  f.Count(4);
  EXPECT_EQ(f.state.waveLength, 8);
  EXPECT_TRUE(f.monitor.CaptureTimerEnabled());
}

// The left axis always has a range, with the curve and the lines 0.1 V beyond the lowest and
// highest voltage in it; from a range of 0.5 V on it is the margin of a tenth of the range.
TEST(WaveMonitor, LeftAxisKeepsCurveAndLinesInView) {
  struct Case {
    std::vector<int> samples;
    std::pair<double, double> left;
  };
  for (const Case& c : {Case{{120, 125, 118}, {11.7, 12.6}}, Case{{120}, {11.9, 12.1}},
                        Case{{120, 120, 120}, {11.9, 12.1}}, Case{{120, 123}, {11.9, 12.4}},
                        Case{{120, 125}, {11.9, 12.6}}, Case{{100, 200}, {9, 21}}}) {
    SCOPED_TRACE(c.samples.size());
    Fixture f;
    f.Samples(c.samples);
    f.monitor.TimerMonitorWaveRecvTimer();
    EXPECT_NEAR(f.chart.left.first, c.left.first, 1e-5);
    EXPECT_NEAR(f.chart.left.second, c.left.second, 1e-5);
    EXPECT_LE(f.chart.left.first, f.chart.points[kMinLineSeries][0].second + 1e-5);
    EXPECT_GE(f.chart.left.second, f.chart.points[kMaxLineSeries][0].second - 1e-5);
  }
}

TEST(WaveMonitor, TrackBarAndMeasuringLine) {
  Fixture f;
  f.Count(3000);
  f.monitor.TimerMonitorWaveRecvTimer();
  f.monitor.ScrollChart(300);
  EXPECT_EQ(f.chart.bottom, (std::pair<double, double>{300, 1323}));
  EXPECT_EQ(f.chart.trackPos, 300);
  f.monitor.Chart1Click(412.5, 12.34);
  const auto& line = f.chart.points[kCursorLineSeries];
  ASSERT_EQ(line.size(), 2u);
  EXPECT_EQ(line[0].first, 0);
  EXPECT_EQ(line[1].first, 412.5);
  EXPECT_NEAR(line[0].second, 12.3, 1e-5);
  EXPECT_NEAR(line[1].second, 12.3, 1e-5);
}

TEST(WaveMonitor, EndScrollsBackAndStopsTheTimerAfterItsNextTick) {
  Fixture f;
  f.Count(2000);
  f.monitor.TimerMonitorWaveRecvTimer();
  f.Count(10);
  f.monitor.EndWaveCapture();
  EXPECT_EQ(f.chart.bottom.first, 0);
  EXPECT_TRUE(f.monitor.CaptureTimerEnabled());
  f.monitor.TimerMonitorWaveRecvTimer();
  EXPECT_EQ(f.chart.points[kVoltageSeries].size(), 2010u);
  // The last samples are drawn, the chart stays at the start.
  EXPECT_EQ(f.chart.bottom, (std::pair<double, double>{0, 1023}));
  EXPECT_EQ(f.chart.trackMax, 2010 - 1024);
  EXPECT_EQ(f.chart.trackPos, 0);
  EXPECT_FALSE(f.monitor.CaptureTimerEnabled());
  EXPECT_FALSE(f.page.timerRunning);
  // The next capture starts over: series emptied (the measuring line stays), chart shown.
  f.monitor.Chart1Click(5, 12);
  f.Count(3);
  EXPECT_EQ(f.state.waveLength, 6);
  EXPECT_TRUE(f.chart.points[kVoltageSeries].empty());
  EXPECT_EQ(f.chart.points[kCursorLineSeries].size(), 2u);
  EXPECT_EQ(f.page.views, (std::vector<bool>{true, true}));
}

TEST(WaveMonitor, LargeFramesAndLongCapturesGrowTheBuffer) {
  Fixture f;
  const Bytes big(65000, 0x01);
  for (int i = 0; i < 10; ++i) f.monitor.AddWaveSamples(big.data(), static_cast<int>(big.size()));
  EXPECT_EQ(f.state.waveLength, 10 * 65000);
  EXPECT_GE(f.state.waveCapacity, 10u * 65000u);
  EXPECT_EQ(f.state.waveBuffer.size(), f.state.waveCapacity);
  f.monitor.TimerMonitorWaveRecvTimer();
  EXPECT_EQ(f.monitor.shownSamples(), 5 * 65000);
}

TEST(WaveMonitor, ClearAndCsv) {
  Fixture f;
  f.Samples({120, 125});
  f.monitor.TimerMonitorWaveRecvTimer();
  EXPECT_EQ(f.monitor.CaptureCsv(), "sample,volts\n0,12.0\n1,12.5\n");
  f.monitor.ClearCapture();
  EXPECT_EQ(f.state.waveLength, 0);
  for (int s = 0; s < 4; ++s) EXPECT_TRUE(f.chart.points[s].empty());
  // Clear during a capture without its end frame: the next samples begin a new capture.
  EXPECT_TRUE(f.state.waveRestart);
  f.monitor.SetCaptureTimer(false);
  f.Samples({130});
  EXPECT_EQ(f.page.views, (std::vector<bool>{true, true}));
  EXPECT_TRUE(f.monitor.CaptureTimerEnabled());
}

TEST(WaveMonitor, Formats) {
  EXPECT_EQ(FormatVolts(12.0f), "12");
  EXPECT_EQ(FormatVolts(12.34f), "12.3");
  EXPECT_EQ(FormatVolts(0.0f), "0");
  EXPECT_FLOAT_EQ(Tenths(12.25f), 12.2f);  // 122.5 to the even neighbour
  EXPECT_FLOAT_EQ(Tenths(12.35f), 12.4f);
}

}  // namespace
}  // namespace vortik
