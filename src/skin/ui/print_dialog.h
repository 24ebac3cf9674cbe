// The standard print dialog and opening a file with the desktop's program; tests install hooks
// that answer them instead.
#pragma once

#include <QString>

#include <functional>

class QPrinter;
class QWidget;

namespace vortik {

// Runs a modal print dialog with no options set for `printer`; true when the user confirmed it
// (the printer then holds the chosen printer and settings).
bool RunPrintDialog(QWidget* parent, QPrinter& printer);
// With a hook set, it answers every print dialog (it may set up the printer, e.g. a PDF file).
void SetPrintDialogHook(std::function<bool(QPrinter&)> hook);

// Asks the desktop to open a file with its default program (xdg-open on Linux); the result is
// not waited for.
void OpenWithDesktop(const QString& path);
// With a hook set, it is told the path instead.
void SetDesktopOpenHook(std::function<void(const QString&)> hook);

}  // namespace vortik
