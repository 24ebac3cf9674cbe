#include "qvuart/ui/qv_uart_dispatcher.h"

#include <QMetaObject>
#include <QObject>

namespace vortik {

TqvUart::Dispatcher QtDispatcher(QObject* context) {
  return [context](std::function<void()> task) {
    QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
  };
}

}  // namespace vortik
