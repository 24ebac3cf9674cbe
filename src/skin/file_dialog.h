// Open-file dialogs; tests install a hook that answers them instead.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vortik {

// Runs a modal open-file dialog owned by `parent` with a filter in the "Name|*.ext|..." form;
// returns the chosen file's full path, or an empty text when the user cancelled.
QString AskOpenFileName(QWidget* parent, const QString& filter);
// With a hook set, it answers every dialog (given the filter in the "Name|*.ext" form).
void SetOpenFileHook(std::function<QString(const QString& filter)> hook);
// "ROM files|*.rom|All files|*.*" as Qt writes it: "ROM files (*.rom);;All files (*.*)".
QString ToQtFileFilter(const QString& filter);

}  // namespace vortik
