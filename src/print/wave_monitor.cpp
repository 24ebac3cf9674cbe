#include "print/wave_monitor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vortik {

namespace {
constexpr uint32_t kWaveCapacityStep = 4096;
}  // namespace

float Tenths(float x) {
  // nearbyint rounds halves to the even neighbour in the default rounding mode.
  return std::nearbyint(x / 0.1f) * 0.1f;
}

std::string FormatVolts(float volts) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(volts));
  std::string out = text;
  if (out.size() > 2 && out.compare(out.size() - 2, 2, ".0") == 0) out.resize(out.size() - 2);
  if (out == "-0") out = "0";
  return out;
}

WaveMonitor::WaveMonitor(MainState& state, WaveChartView& chart, WavePage& page)
    : state_(state), chart_(chart), page_(page) {}

int WaveMonitor::SampleRaw(int i) const {
  const uint8_t* b = state_.waveBuffer.data() + 2 * static_cast<size_t>(i);
  return b[0] | (b[1] << 8);
}

double WaveMonitor::SampleVolts(int i) const {
  return Tenths(static_cast<float>(SampleRaw(i) * 0.1));
}

void WaveMonitor::AddWaveSamples(const uint8_t* payload, int length) {
  if (payload == nullptr || length < 0) return;
  // The buffer grows to hold the frame whatever its size (frames of any length the format
  // allows are collected), by at least a step and at least doubling, so a long capture is not
  // copied over and over.
  const size_t needed = static_cast<size_t>(state_.waveLength) + static_cast<size_t>(length);
  if (needed > state_.waveCapacity) {
    size_t capacity = std::max<size_t>(state_.waveCapacity + kWaveCapacityStep,
                                       static_cast<size_t>(state_.waveCapacity) * 2);
    capacity = std::max(capacity, needed);
    state_.waveBuffer.resize(capacity);
    state_.waveCapacity = static_cast<uint32_t>(capacity);
  }
  if (state_.waveRestart) {
    state_.waveRestart = false;
    state_.waveLength = 0;
    chart_.ClearSeries(kVoltageSeries);
    chart_.ClearSeries(kMinLineSeries);
    chart_.ClearSeries(kMaxLineSeries);
    shown_ = 0;
    chart_.SetStatText({});
    chart_.SetSummary(0, 0, 0);
    SetCaptureTimer(true);
    page_.SetPrintView(true);
  }
  if (length > 0) {
    std::memcpy(state_.waveBuffer.data() + state_.waveLength, payload, static_cast<size_t>(length));
  }
  state_.waveLength += length;
  timerTag_ = 0;
}

void WaveMonitor::EndWaveCapture() {
  state_.waveRestart = true;
  ScrollChart(0);
}

void WaveMonitor::SetCaptureTimer(bool on) {
  timerTag_ = 0;
  if (timerEnabled_ == on) return;
  timerEnabled_ = on;
  page_.RunCaptureTimer(on);
}

void WaveMonitor::ResetBottomAxis() {
  chart_.SetBottomRange(0, kWaveWindow - 1);
}

void WaveMonitor::ClearCapture() {
  for (int series = kVoltageSeries; series <= kCursorLineSeries; ++series) {
    chart_.ClearSeries(series);
  }
  shown_ = 0;
  state_.waveLength = 0;
  state_.waveRestart = true;
  chart_.Redraw();
}

void WaveMonitor::ScrollChart(int start) {
  chart_.SetBottomRange(start, start + kWaveWindow - 1);
  chart_.SetTrackBarPosition(start);
  chart_.Redraw();
}

void WaveMonitor::Chart1Click(double x, double y) {
  chart_.ClearSeries(kCursorLineSeries);
  const double level = Tenths(static_cast<float>(y));
  chart_.AddPoints(kCursorLineSeries, {0.0, x}, {level, level});
  chart_.Redraw();
}

void WaveMonitor::TimerMonitorWaveRecvTimer() {
  ++timerTag_;
  const int total = sampleCount();
  if (shown_ < total) {
    std::vector<double> xs;
    std::vector<double> ys;
    xs.reserve(static_cast<size_t>(total - shown_));
    ys.reserve(static_cast<size_t>(total - shown_));
    for (int i = shown_; i < total; ++i) {
      xs.push_back(i);
      ys.push_back(SampleVolts(i));
    }
    chart_.AddPoints(kVoltageSeries, xs, ys);
    const int first = shown_;
    shown_ = total;
    // While samples come the window moves on with them. Once the end frame has scrolled the
    // chart back to the start, the last samples are drawn without moving it away again.
    const bool ended = state_.waveRestart;
    const int top = static_cast<int>(chart_.BottomMaximum());
    if (!ended && total >= top) chart_.SetBottomRange(top + 1, top + kWaveWindow);
    UpdateStatistics(first, total);
    chart_.SetTrackBarMaximum(total > kWaveWindow ? total - kWaveWindow : 0);
    chart_.SetTrackBarPosition(ended ? static_cast<int>(chart_.BottomMinimum()) : total);
    chart_.Redraw();
  } else if (timerTag_ == 2) {
    chart_.SetTrackBarPosition(0);
    chart_.SetBottomRange(0, std::max(total, kWaveWindow));
    chart_.Redraw();
  } else if (timerTag_ >= kCaptureSilenceTicks && !state_.waveRestart) {
    // Ended as if its end frame had come, but without scrolling back to the start: the second
    // quiet tick has put the whole capture in view, and a window at its start would hide most
    // of what came before the tool went quiet.
    state_.waveRestart = true;
  }
  if (state_.waveRestart) SetCaptureTimer(false);
}

void WaveMonitor::UpdateStatistics(int first, int total) {
  int i = first;
  if (first == 0) {
    waveMin_ = waveMax_ = static_cast<float>(SampleRaw(0) * 0.1);
    i = 1;
  }
  for (; i < total; ++i) {
    const float x = static_cast<float>(SampleRaw(i) * 0.1);
    if (x > waveMax_) {
      waveMax_ = x;
    } else if (x < waveMin_) {
      waveMin_ = x;
    }
  }
  waveMin_ = Tenths(waveMin_);
  waveMax_ = Tenths(waveMax_);
  chart_.ClearSeries(kMinLineSeries);
  chart_.AddPoints(kMinLineSeries, {0.0, static_cast<double>(total)},
                   {waveMin_ - 0.1, waveMin_ - 0.1});
  chart_.ClearSeries(kMaxLineSeries);
  chart_.AddPoints(kMaxLineSeries, {0.0, static_cast<double>(total)},
                   {waveMax_ + 0.1, waveMax_ + 0.1});
  const float margin = std::max((waveMax_ - waveMin_) * 0.1f, kLeftAxisLeastMargin);
  chart_.SetLeftRange(Tenths(waveMin_ - margin), Tenths(waveMax_ + margin), 0.1);
  chart_.SetStatText("Voltage Min=" + FormatVolts(waveMin_) + "V and Max=" + FormatVolts(waveMax_) +
                     "V");
  chart_.SetSummary(total, waveMin_, waveMax_);
}

std::string WaveMonitor::CaptureCsv() const {
  std::string out = "sample,volts\n";
  const int total = sampleCount();
  out.reserve(out.size() + static_cast<size_t>(total) * 12);
  char line[32];
  for (int i = 0; i < total; ++i) {
    std::snprintf(line, sizeof line, "%d,%.1f\n", i, SampleVolts(i));
    out += line;
  }
  return out;
}

}  // namespace vortik
