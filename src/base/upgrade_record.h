// One run of an upgrade as the history keeps it: who the tool was, what it had and got, the
// files sent, how the burn went and how the run ended.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vortik {

// One image file a run fetched or was given.
struct UpgradeRecordFile {
  std::string kind;  // "ROM", "FLASH" or "LOGO"
  std::string name;  // the file's name, without its folder
  int64_t size = -1;
  std::string md5;  // lower-case hexadecimal; empty when the file could not be read
};

struct UpgradeRecord {
  std::string time;  // UTC, "2024-05-01T12:00:00Z"
  std::string kind;  // "internet" or "local"
  std::string toolType, toolSubtype, toolId;
  std::string romBefore, flashBefore;  // as the tool reported them; empty when it did not
  std::string romAfter, flashAfter;    // what the tool was brought to (the before value if not)
  std::vector<UpgradeRecordFile> files;
  uint32_t blocksSent = 0;     // blocks the tool acknowledged
  uint32_t blocksRetried = 0;  // sends beyond each block's first
  std::string outcome;         // a stable key, e.g. "burned", "rom-burn-failed"
  bool success = false;        // the run put every image it meant to into the tool
  std::string message;         // the message(s) the user saw, one per line
};

// Where a front end keeps the record of every run; empty records nothing.
using HistorySink = std::function<void(const UpgradeRecord&)>;

}  // namespace vortik
