// A Host for flow tests: records what the window would show (status lines, gauge, messages)
// and lets a test act when the gauge moves or pending events run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/host.h"

namespace vortik::test {

class RecordingHost : public Host {
 public:
  struct GaugeEvent {
    bool isMax;  // SetGaugeMax, else SetGaugePos
    int value;
  };

  MainState& state() override { return state_; }
  Services& services() override { return services_; }
  void SetStatusText(const std::string& utf8) override { statusTexts.push_back(utf8); }
  void SetGaugeMax(int max) override { gauge.push_back({true, max}); }
  void SetGaugePos(int pos) override {
    gauge.push_back({false, pos});
    if (onGaugePos) onGaugePos(pos);
  }
  void ShowMessage(const std::string& utf8) override { messages.push_back(utf8); }
  void ProcessEvents() override {
    ++eventRuns;
    if (onEvents) onEvents(*this);
  }
  void SetUpgradeMode(int mode) override { state_.upgradeMode = mode; }
  void ScanDevicePort() override {}

  std::vector<int> GaugeMaxima() const { return Values(true); }
  std::vector<int> GaugePositions() const { return Values(false); }
  // The last gauge maximum set, or -1 when none was.
  int LastGaugeMax() const {
    const std::vector<int> maxima = GaugeMaxima();
    return maxima.empty() ? -1 : maxima.back();
  }
  void Clear() {
    statusTexts.clear();
    gauge.clear();
    messages.clear();
    eventRuns = 0;
  }

  std::vector<std::string> statusTexts;
  std::vector<GaugeEvent> gauge;
  std::vector<std::string> messages;
  int eventRuns = 0;
  std::function<void(RecordingHost&)> onEvents;
  std::function<void(int)> onGaugePos;  // e.g. to close the window mid-burn

 private:
  std::vector<int> Values(bool isMax) const {
    std::vector<int> out;
    for (const GaugeEvent& e : gauge) {
      if (e.isMax == isMax) out.push_back(e.value);
    }
    return out;
  }

  MainState state_;
  Services services_;
};

}  // namespace vortik::test
