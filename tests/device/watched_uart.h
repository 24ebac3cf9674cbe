// A TqvUart whose modem-line changes a test reports by hand: the watcher that would report
// them needs a device with modem lines, which a pseudo-terminal is not.
#pragma once

#include "qvuart/qv_uart.h"

namespace vortik {

class WatchedUart : public TqvUart {
 public:
  using TqvUart::ModemLinesChanged;
  using TqvUart::TqvUart;
};

}  // namespace vortik
