#include "upgrade/ui/ask_string.h"
#include "skin/ui/dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace vortik {

bool AskString(QWidget* parent, const QString& prompt, QString& text, int maxLength) {
  if (const Dialogs* dialogs = FindDialogs(parent); dialogs && dialogs->askString) {
    return dialogs->askString(parent, prompt, text, maxLength);
  }
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("qvInfo"));
  dialog.setWindowTitle(prompt);
  auto* layout = new QVBoxLayout(&dialog);
  auto* edit = new QLineEdit(&dialog);
  edit->setMaxLength(maxLength);
  edit->setText(text);
  edit->selectAll();
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  // The buttons speak Simplified Chinese on such systems and English everywhere else.
  const bool chinese = QLocale::system().language() == QLocale::Chinese &&
                       QLocale::system().territory() == QLocale::China;
  buttons->button(QDialogButtonBox::Ok)
      ->setText(chinese ? QStringLiteral("确定") : QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)
      ->setText(chinese ? QStringLiteral("取消") : QStringLiteral("Cancel"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  text = edit->text();
  return true;
}

}  // namespace vortik
