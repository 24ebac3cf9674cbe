#include "skin/message_box.h"

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
  // Messages are one line for a person at a workbench: readable size, room around the text.
  box.setStyleSheet(
      QStringLiteral("QLabel { min-width: 300px; font-size: 15px; padding: 10px 6px; }"
                     "QPushButton { min-width: 90px; min-height: 28px; font-size: 14px; }"));
  box.exec();
}

void SetMessageBoxHook(std::function<void(const QString&)> hook) {
  Hook() = std::move(hook);
}

}  // namespace vortik
