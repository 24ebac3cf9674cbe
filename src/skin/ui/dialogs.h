// The modal questions and hand-offs of a window: the message box, the open- and save-file
// dialogs, the print dialog, the ID prompt, the run of a picker, and handing a file to the
// desktop's program. A window may be given its own answers (tests do); a control then gets
// those of the nearest widget above it that has some, and the real dialogs otherwise. Nothing
// here is process-wide: the answers belong to the widget they were installed on.
#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "skin/ui/file_dialog.h"

class QDialog;
class QObject;
class QPrinter;
class QWidget;

namespace vortik {

// Each member answers one kind of dialog in place of the real one; an empty member leaves it to
// the real dialog.
struct Dialogs {
  std::function<void(QWidget* parent, const QString& text, const QString& caption)> message;
  std::function<QString(QWidget* parent, const QString& filter)> openFile;
  std::function<SaveFileAnswer(QWidget* parent, const SaveFileRequest& request)> saveFile;
  std::function<bool(QWidget* parent, QPrinter& printer)> print;
  std::function<bool(QWidget* parent, const QString& prompt, QString& text, int maxLength)>
      askString;
  // Given a filled picker: pick a line and click OK, or close it, as a user would.
  std::function<void(QDialog& picker)> runPicker;
  // A file handed to the desktop's program: a saved report, or a manual's document (its name
  // as the file system's bytes).
  std::function<void(const std::string& path)> openWithDesktop;
};

// Gives `widget` and everything below it these answers (replacing any it had).
void InstallDialogs(QWidget* widget, std::shared_ptr<const Dialogs> dialogs);
// The answers of the nearest object from `from` upwards that has some; nullptr for none.
const Dialogs* FindDialogs(const QObject* from);

}  // namespace vortik
