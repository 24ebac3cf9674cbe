// Millisecond clock and sleep: the tick counter wraps at 32 bits, so compare with signed
// differences.
#pragma once

#include <cstdint>

namespace vortik::platform {

uint32_t TickCountMs();  // milliseconds since an arbitrary start, monotonic, wraps
void SleepMs(uint32_t ms);

}  // namespace vortik::platform
