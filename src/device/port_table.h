// The process-wide port table: device paths and the port numbers 1..256 they keep while we run.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace vortik {

inline constexpr int kMaxPortNumber = 256;

class PortTable {
 public:
  // Number of the path; a path seen for the first time gets the lowest free number and keeps
  // it. 0 for an empty path or when all 256 numbers are taken.
  int Register(const std::string& path);
  // Number of an already registered path, or 0.
  int NumberOf(const std::string& path) const;
  // Path of a number, or empty when the number is unused or out of range.
  std::string PathOf(int number) const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> paths_;  // index = number - 1
};

// The one table of this process (the tool's adapter, and pseudo-terminals of tests and demo).
PortTable& Ports();

}  // namespace vortik
