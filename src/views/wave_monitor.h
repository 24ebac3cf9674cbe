// The voltage wave monitor's core: the capture store, the capture timer's ticks, the statistics
// and the chart's window, driving a chart through a small view interface (no Qt).
#pragma once

#include <cstdint>

#include "base/main_state.h"

namespace vortik {

// The chart with its statistics text and track bar; the ui chart implements it, tests fake it.
class WaveChartView {
 public:
  virtual ~WaveChartView() = default;
  // (The chart operations the monitor needs are declared here.)
};

// What the monitor asks of the Print page that shows it.
class WavePage {
 public:
  virtual ~WavePage() = default;
  // The page's switch between report text and chart (the page also calls back SetCaptureTimer).
  virtual void SetPrintView(bool showChart) = 0;
  // Starts or stops the window's capture timer (TimerMonitorWaveRecv, 1000 ms).
  virtual void RunCaptureTimer(bool running) = 0;
};

class WaveMonitor {
 public:
  WaveMonitor(MainState& state, WaveChartView& chart, WavePage& page);

  // The receiver's calls: the payload of one good WaveSamples frame, and a WaveEnd frame.
  void AddWaveSamples(const uint8_t* payload, int length);
  void EndWaveCapture();

  // One tick of the capture timer.
  void TimerMonitorWaveRecvTimer();
  // The capture timer as the page's SetPrintView sets it: tag := 0, enabled := on.
  void SetCaptureTimer(bool on);
  bool CaptureTimerEnabled() const;
  // When the page shows the chart: bottom axis 0 to 1023.
  void ResetBottomAxis();
  // Clear while the chart is visible: every series emptied, waveLength := 0.
  void ClearCapture();
};

}  // namespace vortik
