#include "platform/unique_fd.h"

#include <unistd.h>

namespace vortik::platform {

bool UniqueFd::Reset(int fd) {
  const int old = std::exchange(fd_, fd);
  // The descriptor is gone after close even when it reports EINTR, so it is never retried.
  return old < 0 || ::close(old) == 0;
}

}  // namespace vortik::platform
