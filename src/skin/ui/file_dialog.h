// Open- and save-file dialogs; a window's own answers (skin/ui/dialogs.h) stand in for them.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vortik {

// Runs a modal open-file dialog owned by `parent` with a filter in the "Name|*.ext|..." form;
// returns the chosen file's full path, or an empty text when the user cancelled.
QString AskOpenFileName(QWidget* parent, const QString& filter);
// "ROM files|*.rom|All files|*.*" as Qt writes it: "ROM files (*.rom);;All files (*.*)".
QString ToQtFileFilter(const QString& filter);

// A save-file dialog: the filter in the "Name|*.ext|..." form, the first choice preselected.
struct SaveFileRequest {
  QString title;   // empty: the platform's own
  QString filter;  // e.g. "Text (*.txt)|*.txt|HTML (*.html)|*.html"
  QString folder;  // where it opens; empty: the current folder
  bool confirmOverwrite = true;
};
struct SaveFileAnswer {
  QString path;         // empty when the user cancelled
  int filterIndex = 0;  // the choice in effect when the name was confirmed
};
// Runs the dialog. A name confirmed without an extension gets the chosen choice's extension.
SaveFileAnswer AskSaveFileName(QWidget* parent, const SaveFileRequest& request);
// The extension rule applies to a window's own answer too.
// `path` with the extension of choice `filterIndex` of `filter` appended when its file name has
// none (a choice of "*.*" or several patterns appends nothing).
QString WithChoiceExtension(const QString& path, const QString& filter, int filterIndex);

}  // namespace vortik
