// AskString: the modal one-line input dialog (caption, pre-filled edit with a length limit, OK
// and Cancel); tests install a hook that answers instead.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vortik {

// True and `text` replaced by the edit's content when the user confirms; false and `text`
// unchanged when they cancel or close the dialog.
bool AskString(QWidget* parent, const QString& prompt, QString& text, int maxLength);

// With a hook set, AskString hands its arguments to it and returns its answer; nullptr
// restores the dialog.
using AskStringHook = std::function<bool(const QString& prompt, QString& text, int maxLength)>;
void SetAskStringHook(AskStringHook hook);

}  // namespace vortik
