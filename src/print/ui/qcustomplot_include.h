// QCustomPlot's header uses Qt's keywords (signals, slots, foreach, emit), which this project
// switches off; they stand for their macro forms while it is read.
#pragma once

#define signals Q_SIGNALS
#define slots Q_SLOTS
#define foreach Q_FOREACH
#define emit Q_EMIT
#include <qcustomplot.h>
#undef signals
#undef slots
#undef foreach
#undef emit
