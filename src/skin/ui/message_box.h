// One modal message box with one OK button; a window's own answers (skin/ui/dialogs.h) may
// stand in for it.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace vortik {

void ShowMessageBox(QWidget* parent, const QString& text);
// The same box with its own caption.
void ShowMessageBox(QWidget* parent, const QString& text, const QString& caption);

// The box ShowMessageBox runs, built but not shown: its text label is named "MessageText"
// and its button "MessageOk". Tests show it to check that the whole text is visible.
std::unique_ptr<QDialog> BuildMessageBox(QWidget* parent, const QString& text,
                                         const QString& caption);

// The message box that is open now (the active modal window), or nullptr; and its whole text.
QDialog* ActiveMessageBox();
QString MessageBoxText(const QDialog* box);

}  // namespace vortik
