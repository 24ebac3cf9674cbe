#include "skin/file_dialog.h"

#include <QFileDialog>
#include <QStringList>

#include <utility>

namespace vortik {

namespace {
std::function<QString(const QString&)>& Hook() {
  static std::function<QString(const QString&)> hook;
  return hook;
}
}  // namespace

QString ToQtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    entries << parts[i] + QStringLiteral(" (") + parts[i + 1].split(QLatin1Char(';')).join(' ') +
                   QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;"));
}

QString AskOpenFileName(QWidget* parent, const QString& filter) {
  if (Hook()) return Hook()(filter);
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(ToQtFileFilter(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

void SetOpenFileHook(std::function<QString(const QString&)> hook) {
  Hook() = std::move(hook);
}

}  // namespace vortik
