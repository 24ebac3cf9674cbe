// The voltage wave monitor's core: the capture store, the capture timer's ticks, the statistics
// and the chart's window, driving a chart through a small view interface (no Qt).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/main_state.h"

namespace vortik {

// The chart's series.
enum WaveSeries : int {
  kVoltageSeries = 0,
  kMinLineSeries = 1,
  kMaxLineSeries = 2,
  kCursorLineSeries = 3
};
inline constexpr int kWaveWindow = 1024;  // samples in view at a time
// A capture that gets no samples for this many capture timer ticks (seconds) has been cut off
// (the tool was unplugged or gave up): it is ended as if its end frame had come.
inline constexpr int kCaptureSilenceTicks = 3;
// The left axis reaches at least this far beyond the lowest and highest voltage, so the lines
// drawn 0.1 V beyond them stay in view and a flat capture still gets a range.
inline constexpr float kLeftAxisLeastMargin = 0.1f;

// The chart with its statistics text and track bar; the ui chart implements it, tests fake it.
class WaveChartView {
 public:
  virtual ~WaveChartView() = default;
  virtual void ClearSeries(int series) = 0;
  // Appends points (x ascending) to a series.
  virtual void AddPoints(int series, const std::vector<double>& x,
                         const std::vector<double>& y) = 0;
  virtual void SetBottomRange(double minimum, double maximum) = 0;
  virtual double BottomMinimum() const = 0;
  virtual double BottomMaximum() const = 0;
  // A fixed left-axis range with labels every `step` volts.
  virtual void SetLeftRange(double minimum, double maximum, double step) = 0;
  virtual void SetStatText(const std::string& utf8) = 0;
  // What a screen reader says of the chart: the samples and their lowest and highest voltage
  // (no samples: nothing to say). Views without one ignore it.
  virtual void SetSummary(int /*samples*/, float /*minimum*/, float /*maximum*/) {}
  virtual void SetTrackBarMaximum(int maximum) = 0;
  // The track bar limits the position to its range.
  virtual void SetTrackBarPosition(int position) = 0;
  // Draws what changed (once per tick).
  virtual void Redraw() = 0;
};

// What the monitor asks of the Print page that shows it.
class WavePage {
 public:
  virtual ~WavePage() = default;
  // The page's switch between report text and chart (the page calls back SetCaptureTimer).
  virtual void SetPrintView(bool showChart) = 0;
  // Starts or stops the window's capture timer (TimerMonitorWaveRecv, 1000 ms).
  virtual void RunCaptureTimer(bool running) = 0;
};

// x rounded to tenths (halves to the even neighbour), in single precision as the statistics are.
float Tenths(float x);
// "0.#": the integer part and at most one decimal, without a trailing zero (12.0 -> "12").
std::string FormatVolts(float volts);

class WaveMonitor {
 public:
  WaveMonitor(MainState& state, WaveChartView& chart, WavePage& page);

  // The receiver's calls: the payload of one good WaveSamples frame, and a WaveEnd frame.
  void AddWaveSamples(const uint8_t* payload, int length);
  void EndWaveCapture();

  // One tick of the capture timer: draws the new samples, moves the window on, statistics.
  void TimerMonitorWaveRecvTimer();
  // The capture timer as the page's SetPrintView sets it: tag := 0, enabled := on.
  void SetCaptureTimer(bool on);
  bool CaptureTimerEnabled() const { return timerEnabled_; }
  int captureTimerTag() const { return timerTag_; }
  // When the page shows the chart: bottom axis 0 to 1023.
  void ResetBottomAxis();
  // Clear while the chart is visible: every series emptied, waveLength := 0, and the next
  // samples begin a new capture.
  void ClearCapture();

  // Bottom axis from `start` over one window; the track bar follows.
  void ScrollChart(int start);
  // A click into the chart at axis values (x, y): the measuring line at tenths(y) from 0 to x.
  void Chart1Click(double x, double y);

  int sampleCount() const { return state_.waveLength / 2; }
  int shownSamples() const { return shown_; }
  float waveMin() const { return waveMin_; }
  float waveMax() const { return waveMax_; }
  // Sample i in volts as the chart shows it (tenths).
  double SampleVolts(int i) const;
  // The whole capture as text: a header line, then "sample,volts" lines.
  std::string CaptureCsv() const;

 private:
  void UpdateStatistics(int first, int total);
  int SampleRaw(int i) const;

  MainState& state_;
  WaveChartView& chart_;
  WavePage& page_;
  bool timerEnabled_ = false;
  int timerTag_ = 0;
  int shown_ = 0;  // points in the voltage series
  float waveMin_ = 0;
  float waveMax_ = 0;
};

}  // namespace vortik
