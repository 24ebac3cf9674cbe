// The Manual page's content: the hint and the list of the manual's documents; a double click
// opens the chosen one with the desktop's program for its type.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <string>

#include "base/text_id.h"

class QLabel;
class QListWidget;

namespace vortik {

class ManualBrowser : public QWidget {
  Q_OBJECT

 public:
  // Covers `page` (the Manual page) whole and lists the manual folder's documents once.
  // `texts` (the window's loaded texts) must outlive the browser.
  ManualBrowser(QWidget* page, const TextTable& texts);

  // Fills the list from `folder` (ending with '/'); an empty folder name lists nothing.
  void LoadManualList(const std::string& folder);
  // Opens the selected document; nothing when no item is selected.
  void ManualListBoxDblClick();

  QListWidget* list() const { return ManualListBox; }
  const std::string& folder() const { return folder_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  const TextTable* texts_;
  QLabel* Label2 = nullptr;
  QListWidget* ManualListBox = nullptr;
  std::string folder_;
};

// Opens a local document with the desktop's default program (QDesktopServices, which runs
// xdg-open on Linux). The path is the file's own bytes: a name that is not UTF-8 (unpacked from
// another system) still names its file. `parent`'s window may answer instead
// (skin/ui/dialogs.h).
void OpenDocument(QWidget* parent, const std::string& path);
// The file URL of a path of any bytes: bytes that are not plain URL characters are
// percent-encoded one by one, so no byte of the name is lost to a text conversion.
QUrl DocumentUrl(const std::string& path);

}  // namespace vortik
