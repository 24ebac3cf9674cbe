// The configuration the entry chooses: server addresses and demo-build switches. The main window
// keeps it and hands each page and flow what it needs.
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

}  // namespace vortik
