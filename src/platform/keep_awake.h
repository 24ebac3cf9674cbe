// Keeps the PC from going to sleep while a long burn runs: a logind "sleep:idle" inhibitor.
#pragma once

#include <string>

#include "platform/unique_fd.h"

namespace vortik::platform {

// Holds a logind inhibitor lock while requested. Where logind (or the system bus) is absent,
// or refuses, the request quietly does nothing: keeping awake is a courtesy, never an error.
// The lock is withdrawn by Release() and at the latest when the object goes away.
class KeepAwake {
 public:
  explicit KeepAwake(std::string why = "Burning firmware into the Scan Tool");
  ~KeepAwake();
  KeepAwake(const KeepAwake&) = delete;
  KeepAwake& operator=(const KeepAwake&) = delete;

  // Takes the lock when it is not held yet (a renewal while held costs nothing). True when the
  // lock is held afterwards.
  bool Request();
  void Release();
  bool held() const { return fd_.valid(); }

 private:
  std::string why_;
  UniqueFd fd_;  // the inhibitor: logind keeps the lock while this descriptor is open
};

}  // namespace vortik::platform
