// The ui's dispatcher for TqvUart: it posts each task to the event loop of a QObject's thread,
// so OnCommStatusChanged runs there.
#pragma once

#include "qvuart/qv_uart.h"

class QObject;

namespace vortik {

// `context` lives on the owner's thread and outlives the component; a task still queued when
// `context` is destroyed is dropped with it.
TqvUart::Dispatcher QtDispatcher(QObject* context);

}  // namespace vortik
