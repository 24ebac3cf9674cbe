#include "base/app_config.h"

#include <utility>

namespace vortik {

namespace {
AppConfig& Mutable() {
  static AppConfig config;
  return config;
}
}  // namespace

const AppConfig& Config() {
  return Mutable();
}
void SetConfig(AppConfig config) {
  Mutable() = std::move(config);
}

}  // namespace vortik
