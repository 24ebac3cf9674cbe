// One modal message box with one OK button; tests install a hook that records the text instead.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vortik {

void ShowMessageBox(QWidget* parent, const QString& text);
// The same box with its own caption (the hook sees only the text).
void ShowMessageBox(QWidget* parent, const QString& text, const QString& caption);
// With a hook set, message boxes are handed to it and not shown; nullptr restores the boxes.
void SetMessageBoxHook(std::function<void(const QString&)> hook);

}  // namespace vortik
