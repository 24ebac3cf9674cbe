#include "device/port_table.h"

namespace vortik {

int PortTable::Register(const std::string& path) {
  if (path.empty()) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < paths_.size(); ++i) {
    if (paths_[i] == path) return static_cast<int>(i) + 1;
  }
  if (paths_.size() >= static_cast<size_t>(kMaxPortNumber)) return 0;
  paths_.push_back(path);
  return static_cast<int>(paths_.size());
}

int PortTable::NumberOf(const std::string& path) const {
  if (path.empty()) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < paths_.size(); ++i) {
    if (paths_[i] == path) return static_cast<int>(i) + 1;
  }
  return 0;
}

std::string PortTable::PathOf(int number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (number < 1 || number > static_cast<int>(paths_.size())) return {};
  return paths_[static_cast<size_t>(number) - 1];
}

PortTable& Ports() {
  static PortTable table;
  return table;
}

}  // namespace vortik
