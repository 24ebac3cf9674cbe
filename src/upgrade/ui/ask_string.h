// AskString: the modal one-line input dialog (caption, pre-filled edit with a length limit, OK
// and Cancel); a window's own answers (skin/ui/dialogs.h) may stand in for it.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vortik {

// True and `text` replaced by the edit's content when the user confirms; false and `text`
// unchanged when they cancel or close the dialog.
bool AskString(QWidget* parent, const QString& prompt, QString& text, int maxLength);

}  // namespace vortik
