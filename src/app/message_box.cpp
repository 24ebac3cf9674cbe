#include "app/message_box.h"

#include <QMessageBox>

#include <utility>

namespace vortik {

namespace {
std::function<void(const QString&)>& Hook() {
  static std::function<void(const QString&)> hook;
  return hook;
}
}  // namespace

void ShowMessageBox(QWidget* parent, const QString& text) {
  ShowMessageBox(parent, text, QStringLiteral("VORTIK"));
}

void ShowMessageBox(QWidget* parent, const QString& text, const QString& caption) {
  if (Hook()) {
    Hook()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

void SetMessageBoxHook(std::function<void(const QString&)> hook) { Hook() = std::move(hook); }

}  // namespace vortik
