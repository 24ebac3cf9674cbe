// The upgrade history dialog: every recorded upgrade and local flash, newest first, in the
// window's language, with a button that copies the selected record for a support request.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "base/text_id.h"
#include "base/upgrade_record.h"

class QListWidget;
class QPushButton;

namespace vortik {

class HistoryDialog : public QDialog {
  Q_OBJECT

 public:
  // `records` oldest first, as the history file holds them.
  HistoryDialog(QWidget* parent, const TextTable& texts, const std::vector<UpgradeRecord>& records);

  QListWidget* list() const { return list_; }
  QPushButton* copyButton() const { return copy_; }
  // What the copy button puts on the clipboard: the selected record's text (empty when the
  // history is empty).
  QString SelectedText() const;

 private:
  QListWidget* list_ = nullptr;
  QPushButton* copy_ = nullptr;
};

// Reads the history file at `path` and shows it in a modal dialog.
void ShowUpgradeHistory(QWidget* parent, const TextTable& texts, const std::string& path);

}  // namespace vortik
