// What window tests hand the window: a language file of the test run's own (the window-test
// entry makes it, so a test never reads or writes the user's or the build tree's), and services
// whose device lister is one the test holds.
#pragma once

#include <memory>
#include <string>

#include "base/app_config.h"
#include "base/services.h"

namespace vortik::test {

// The run's language file; empty (the standard places) outside the window-test entry.
inline std::string& RunLanguageFile() {
  static std::string path;
  return path;
}

inline AppConfig TestConfig() {
  AppConfig config;
  config.language = {RunLanguageFile(), RunLanguageFile()};
  return config;
}

// Services listing the devices of `lister`, which the test keeps alive longer than the window.
inline Services ServicesListing(platform::DeviceLister& lister) {
  Services services;
  services.devices =
      std::shared_ptr<platform::DeviceLister>(&lister, [](platform::DeviceLister*) {});
  return services;
}

}  // namespace vortik::test
