// The standard print dialog and opening a file with the desktop's program; a window's own
// answers (skin/ui/dialogs.h) may stand in for them.
#pragma once

#include <QString>

#include <functional>

class QPrinter;
class QWidget;

namespace vortik {

// Runs a modal print dialog with no options set for `printer`; true when the user confirmed it
// (the printer then holds the chosen printer and settings).
bool RunPrintDialog(QWidget* parent, QPrinter& printer);

// Asks the desktop to open a file with its default program (xdg-open on Linux); the result is
// not waited for. `parent` is the control that asks.
void OpenWithDesktop(QWidget* parent, const QString& path);

}  // namespace vortik
