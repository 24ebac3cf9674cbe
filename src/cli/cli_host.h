// The command line's Host: progress to a bar on a terminal, messages kept for the one line the
// command prints at its end, and an interrupt turned into the core's close request.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/host.h"
#include "cli/terminal.h"

namespace vortik::cli {

class CliHost : public Host {
 public:
  // `bars`: show progress bars on stderr (a terminal, not --quiet).
  explicit CliHost(bool bars);

  MainState& state() override { return state_; }
  Services& services() override { return services_; }
  void SetStatusText(const std::string& utf8) override;
  void SetGaugeMax(int max) override;
  void SetGaugePos(int pos) override;
  void ShowMessage(const std::string& utf8) override { messages_.push_back(utf8); }
  void ProcessEvents() override;
  void SetUpgradeMode(int mode) override { state_.upgradeMode = mode; }
  void ScanDevicePort() override {}

  // Ends the bar's line before other output.
  void EndProgress();
  const std::vector<std::string>& messages() const { return messages_; }
  // What the run had got to, for the interrupt's message: a burn began; a download was the last
  // thing under way.
  bool burnStarted() const { return burnStarted_; }
  bool downloading() const { return downloading_; }

 private:
  MainState state_;
  Services services_;
  std::unique_ptr<ProgressBar> bar_;
  std::string status_;
  std::vector<std::string> messages_;
  bool burnStarted_ = false;
  bool downloading_ = false;
};

}  // namespace vortik::cli
