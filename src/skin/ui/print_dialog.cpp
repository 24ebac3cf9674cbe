#include "skin/ui/print_dialog.h"

#include <QDesktopServices>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

#include <utility>

namespace vortik {

namespace {
std::function<bool(QPrinter&)>& PrintHook() {
  static std::function<bool(QPrinter&)> hook;
  return hook;
}
std::function<void(const QString&)>& OpenHook() {
  static std::function<void(const QString&)> hook;
  return hook;
}
}  // namespace

bool RunPrintDialog(QWidget* parent, QPrinter& printer) {
  if (PrintHook()) return PrintHook()(printer);
  QPrintDialog dialog(&printer, parent);
  dialog.setOptions({});
  return dialog.exec() == QDialog::Accepted;
}

void SetPrintDialogHook(std::function<bool(QPrinter&)> hook) {
  PrintHook() = std::move(hook);
}

void OpenWithDesktop(const QString& path) {
  if (OpenHook()) {
    OpenHook()(path);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetDesktopOpenHook(std::function<void(const QString&)> hook) {
  OpenHook() = std::move(hook);
}

}  // namespace vortik
