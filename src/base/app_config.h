// Process-wide configuration chosen by the entry: server addresses and demo-build switches.
#pragma once

#include <string>

namespace vortik {

struct AppConfig {
  std::string updateServer;  // base address, no trailing '/'
  std::string legacyServer;
  std::string feedbackServer;
  bool loopbackCountsAsConnected = false;  // the demo runs without a network
  std::string demoDevicePath;              // when set, discovery reports this path as the Scan Tool
  bool demoPushOnPrintTab = false;         // opening the Print tab asks the emulated tool to push
};

const AppConfig& Config();
void SetConfig(AppConfig config);

}  // namespace vortik
