// The configuration the entry chooses: server addresses and demo-build switches. The main window
// keeps it and hands each page and flow what it needs.
#pragma once

#include <string>

namespace vortik {

// Where the language texts are read and the user's language choice is kept; empty names stand
// for the standard places (the shipped lang.ini, and lang.ini in the user's configuration).
struct LanguageFiles {
  std::string texts;
  std::string choice;
};

struct AppConfig {
  std::string updateServer;  // base address, no trailing '/'
  std::string legacyServer;
  std::string feedbackServer;
  bool loopbackCountsAsConnected = false;  // the demo runs without a network
  std::string demoDevicePath;              // when set, discovery reports this path as the Scan Tool
  bool demoPushOnPrintTab = false;         // opening the Print tab asks the emulated tool to push
  LanguageFiles language;
  // The skin's drawings at twice the size are used on screens with a device pixel ratio above
  // 1; this takes them on any screen (rendering at another ratio than the screen's).
  bool doubledPictures = false;
};

}  // namespace vortik
