// A pseudo-terminal pair in raw mode, optionally reachable through a symbolic link: the line
// on which the emulated Scan Tool plays the far end.
#pragma once

#include <string>

#include "platform/unique_fd.h"

namespace vortik::platform {

class Pty {
 public:
  Pty() = default;
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  // Opens a new pair; both sides raw. The master is non-blocking. A non-empty `linkPath`
  // becomes a symbolic link to the slave device (an existing link there is replaced).
  bool Open(const std::string& linkPath = {});
  // Closes the master (the far end sees a hang-up), the kept slave and removes the link.
  void Close();

  int master() const { return master_.get(); }
  // The slave device, e.g. /dev/pts/7.
  const std::string& slavePath() const { return slavePath_; }
  // The link when one was made, else the slave device: what the other side opens.
  const std::string& path() const { return linkPath_.empty() ? slavePath_ : linkPath_; }
  bool isOpen() const { return master_.valid(); }

 private:
  UniqueFd master_;
  // A slave descriptor held open by us, so the master does not report a hang-up while the
  // other side has the device closed.
  UniqueFd keepSlave_;
  std::string slavePath_;
  std::string linkPath_;
};

}  // namespace vortik::platform
