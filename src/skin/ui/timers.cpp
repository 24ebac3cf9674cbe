#include "skin/ui/timers.h"

#include <QTimer>

namespace vortik {

QTimer* MakeTimer(QObject* parent, const char* name, int intervalMs, bool enabled) {
  auto* timer = new QTimer(parent);
  timer->setObjectName(QString::fromLatin1(name));
  timer->setInterval(intervalMs);
  if (enabled) timer->start();
  return timer;
}

void SetTimerRunning(QTimer* timer, bool run) {
  if (!run) {
    timer->stop();
  } else if (!timer->isActive()) {
    timer->start();
  }
}

}  // namespace vortik
