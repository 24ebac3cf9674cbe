#include "skin/ui/print_dialog.h"
#include "skin/ui/dialogs.h"
#include "skin/ui/skin_style.h"

#include <QDesktopServices>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

#include <utility>

namespace vortik {

bool RunPrintDialog(QWidget* parent, QPrinter& printer) {
  if (const Dialogs* dialogs = FindDialogs(parent); dialogs && dialogs->print) {
    return dialogs->print(parent, printer);
  }
  QPrintDialog dialog(&printer, parent);
  ApplySkinColours(&dialog);
  dialog.setOptions({});
  return dialog.exec() == QDialog::Accepted;
}

void OpenWithDesktop(QWidget* parent, const QString& path) {
  if (const Dialogs* dialogs = FindDialogs(parent); dialogs && dialogs->openWithDesktop) {
    dialogs->openWithDesktop(path.toStdString());
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace vortik
