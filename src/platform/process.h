// Starting another process without waiting for it (used to restart the application).
#pragma once

#include <string>

namespace vortik::platform {

// Starts `exe` with no arguments, this process's folder and environment, no inherited
// descriptors beyond the standard three; does not wait. True when the process was started.
bool StartDetached(const std::string& exe);

}  // namespace vortik::platform
