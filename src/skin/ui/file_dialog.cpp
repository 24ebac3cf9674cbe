#include "skin/ui/file_dialog.h"
#include "skin/ui/dialogs.h"
#include "skin/ui/skin_style.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <utility>

namespace vortik {

namespace {
// The single extension of choice `index` ("txt" for "*.txt"); empty for "*.*", several
// patterns or no such choice.
QString ChoiceExtension(const QString& filter, int index) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  const int at = index * 2 + 1;
  if (index < 0 || at >= parts.size()) return {};
  const QString pattern = parts[at].trimmed();
  if (!pattern.startsWith(QStringLiteral("*.")) || pattern.contains(QLatin1Char(';'))) return {};
  const QString extension = pattern.mid(2);
  return extension.contains(QLatin1Char('*')) ? QString() : extension;
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
  if (const Dialogs* dialogs = FindDialogs(parent); dialogs && dialogs->openFile) {
    return dialogs->openFile(parent, filter);
  }
  QFileDialog dialog(parent);
  ApplySkinColours(&dialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(ToQtFileFilter(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QString WithChoiceExtension(const QString& path, const QString& filter, int filterIndex) {
  if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
  const QString extension = ChoiceExtension(filter, filterIndex);
  if (extension.isEmpty()) return path;
  return path + QLatin1Char('.') + extension;
}

SaveFileAnswer AskSaveFileName(QWidget* parent, const SaveFileRequest& request) {
  SaveFileAnswer answer;
  if (const Dialogs* dialogs = FindDialogs(parent); dialogs && dialogs->saveFile) {
    answer = dialogs->saveFile(parent, request);
  } else {
    QFileDialog dialog(parent, request.title, request.folder);
    ApplySkinColours(&dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    const QStringList choices = ToQtFileFilter(request.filter).split(QStringLiteral(";;"));
    dialog.setNameFilters(choices);
    // The dialog adds the chosen type's extension itself, so its overwrite question names the
    // file that will really be written.
    dialog.setDefaultSuffix(ChoiceExtension(request.filter, 0));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &choices, &request](const QString& choice) {
                       dialog.setDefaultSuffix(ChoiceExtension(
                           request.filter, static_cast<int>(choices.indexOf(choice))));
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    answer.path = dialog.selectedFiles().front();
    answer.filterIndex = static_cast<int>(choices.indexOf(dialog.selectedNameFilter()));
    if (answer.filterIndex < 0) answer.filterIndex = 0;
  }
  answer.path = WithChoiceExtension(answer.path, request.filter, answer.filterIndex);
  return answer;
}

}  // namespace vortik
