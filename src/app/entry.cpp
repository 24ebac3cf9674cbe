#include "app/entry.h"

namespace vortik {

bool& RestartRequested() {
  static bool requested = false;
  return requested;
}

int FinishEntry(const std::function<bool()>& startNewInstance) {
  if (RestartRequested() && startNewInstance) {
    // A failed start is not reported: the old instance still ends normally.
    (void)startNewInstance();
  }
  return 0;
}

}  // namespace vortik
