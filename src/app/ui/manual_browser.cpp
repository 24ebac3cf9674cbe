#include "app/ui/manual_browser.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QUrl>

#include <utility>

#include "app/manual.h"
#include "skin/ui/dialogs.h"

namespace vortik {

namespace {

// The file's own name, kept with its list item.
constexpr int kNameBytesRole = Qt::UserRole + 1;

constexpr char kListStyle[] =
    "QListWidget { color: white; background: #0d3b78; border: 1px solid #2f6fc0;"
    "  border-radius: 5px; font-size: 16px; padding: 4px; outline: none; }"
    "QListWidget::item { padding: 4px 6px; }"
    "QListWidget::item:selected { background: #00a84e; color: white; }"
    "QListWidget::item:hover:!selected { background: #16508f; }";

}  // namespace

QUrl DocumentUrl(const std::string& path) {
  const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
  return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

void OpenDocument(QWidget* parent, const std::string& path) {
  if (const Dialogs* dialogs = FindDialogs(parent); dialogs && dialogs->openWithDesktop) {
    dialogs->openWithDesktop(path);
    return;
  }
  // What the desktop does with a document it cannot open is its own business.
  QDesktopServices::openUrl(DocumentUrl(path));
}

ManualBrowser::ManualBrowser(QWidget* page, const TextTable& texts)
    : QWidget(page), texts_(&texts) {
  setObjectName(QStringLiteral("ManualBrowser"));
  setAttribute(Qt::WA_TranslucentBackground);
  setGeometry(page->rect());

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setTextFormat(Qt::PlainText);
  Label2->setStyleSheet(QStringLiteral("color: white; font-size: 16px;"));
  Label2->move(24, 8);

  ManualListBox = new QListWidget(this);
  ManualListBox->setObjectName(QStringLiteral("ManualListBox"));
  ManualListBox->setGeometry(16, 40, 577, 329);
  ManualListBox->setSortingEnabled(false);
  ManualListBox->setStyleSheet(QString::fromLatin1(kListStyle));
  // A double click anywhere in the list opens the selected document, also below the last item.
  ManualListBox->viewport()->installEventFilter(this);

  LoadManualList(FindManualFolder());
}

void ManualBrowser::LoadManualList(const std::string& folder) {
  folder_ = folder;
  ManualListBox->clear();
  if (folder.empty()) return;
  for (const std::string& name : ListManualDocuments(folder)) {
    auto* item = new QListWidgetItem(QString::fromStdString(name), ManualListBox);
    item->setData(kNameBytesRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
  }
}

void ManualBrowser::ManualListBoxDblClick() {
  QListWidgetItem* item = ManualListBox->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  // The name's own bytes: the shown text of a name that is not UTF-8 names no file.
  const QByteArray name = item->data(kNameBytesRole).toByteArray();
  OpenDocument(this, folder_ + std::string(name.constData(), static_cast<size_t>(name.size())));
}

bool ManualBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ManualListBox->viewport()) {
    if (event->type() == QEvent::MouseButtonDblClick) {
      ManualListBoxDblClick();
      return true;
    }
    // A press below the last item keeps the selection, as a list box does.
    if (event->type() == QEvent::MouseButtonPress &&
        !ManualListBox->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid()) {
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ManualBrowser::showEvent(QShowEvent* event) {
  // The language table is loaded after the pages are built: take the hint's text when shown.
  Label2->setText(QString::fromStdString((*texts_)[TextId::LabelManualHint]));
  Label2->adjustSize();
  QWidget::showEvent(event);
}

}  // namespace vortik
