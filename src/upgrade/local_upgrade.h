// The local upgrade: burn a ROM, FLASH or LOGO image chosen from disk into the Scan Tool.
#pragma once

#include <optional>
#include <string>

#include "base/text_id.h"

namespace vortik {

class Host;
class TSyncUart;

// Runs the local upgrade of box `box` (1 ROM, 2 FLASH, 3 LOGO; also the image kind) with the
// file at `path`: device info, latest-version and size notices, then the burn. Every outcome
// shows exactly one message; the window is busy with that box from the device steps to the
// end and idle afterwards. Returns the message shown (nothing for a box outside 1..3), so a front
// end without a message box can tell how the run ended.
std::optional<TextId> RunLocalUpgrade(Host& host, TSyncUart& uart, int box,
                                      const std::string& path);

}  // namespace vortik
