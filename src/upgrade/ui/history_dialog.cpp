#include "upgrade/ui/history_dialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "upgrade/history.h"

namespace vortik {

HistoryDialog::HistoryDialog(QWidget* parent, const TextTable& texts,
                             const std::vector<UpgradeRecord>& records)
    : QDialog(parent) {
  setObjectName(QStringLiteral("HistoryDialog"));
  setWindowTitle(QString::fromStdString(texts[TextId::HistoryTitle]));
  resize(640, 480);
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("HistoryList"));
  list_->setAlternatingRowColors(true);
  list_->setWordWrap(true);
  layout->addWidget(list_);
  for (auto record = records.rbegin(); record != records.rend(); ++record) {
    list_->addItem(QString::fromStdString(FormatHistoryRecord(*record, texts)));
  }
  if (records.empty()) {
    auto* empty = new QListWidgetItem(QString::fromStdString(texts[TextId::HistoryEmpty]));
    empty->setFlags(Qt::NoItemFlags);
    list_->addItem(empty);
  } else {
    list_->setCurrentRow(0);
  }

  auto* buttons = new QDialogButtonBox(this);
  copy_ = buttons->addButton(QString::fromStdString(texts[TextId::HistoryCopy]),
                             QDialogButtonBox::ActionRole);
  copy_->setObjectName(QStringLiteral("HistoryCopy"));
  copy_->setEnabled(!records.empty());
  QPushButton* close = buttons->addButton(QString::fromStdString(texts[TextId::HistoryClose]),
                                          QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("HistoryClose"));
  layout->addWidget(buttons);
  connect(copy_, &QPushButton::clicked, this,
          [this] { QGuiApplication::clipboard()->setText(SelectedText()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString HistoryDialog::SelectedText() const {
  const QListWidgetItem* item = list_->currentItem();
  return item != nullptr && (item->flags() & Qt::ItemIsEnabled) ? item->text() : QString();
}

void ShowUpgradeHistory(QWidget* parent, const TextTable& texts, const std::string& path) {
  HistoryDialog dialog(parent, texts, ReadHistory(path));
  dialog.exec();
}

}  // namespace vortik
