// The pages' timers: made with the object names the window's behaviour is described with, and
// switched on and off without pushing back the next tick of one that runs already.
#pragma once

class QObject;
class QTimer;

namespace vortik {

QTimer* MakeTimer(QObject* parent, const char* name, int intervalMs, bool enabled);
// Starts `timer` unless it runs already (a restart would delay its next tick), or stops it.
void SetTimerRunning(QTimer* timer, bool run);

}  // namespace vortik
