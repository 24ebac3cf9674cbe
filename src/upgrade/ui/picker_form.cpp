#include "upgrade/ui/picker_form.h"

#include <QFont>

#include "upgrade/ui/picker_dialogs.h"

namespace vortik {

namespace {

// Deep-blue background, white titles, list and OK panel in the window's lighter blue; a
// fixed-size, modal dialog without title-bar buttons.
void ApplyPickerLook(QDialog& dialog, QSize size) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.setModal(true);
  dialog.setFixedSize(size);
  dialog.setAutoFillBackground(true);
  dialog.setStyleSheet(QStringLiteral(
      "QDialog { background-color: rgb(2, 33, 81); }"
      "QLabel { color: white; background: transparent; }"
      "QComboBox { background-color: rgb(18, 68, 131); color: white;"
      "  border: 1px solid rgb(74, 120, 184); border-radius: 2px; padding: 1px 6px; }"
      "QComboBox:focus { border-color: rgb(130, 170, 225); }"
      "QComboBox QAbstractItemView { background-color: rgb(18, 68, 131); color: white;"
      "  border: 1px solid rgb(74, 120, 184); selection-background-color: rgb(43, 98, 170);"
      "  selection-color: white; outline: none; }"
      "QPushButton#Panel1 { background-color: rgb(18, 68, 131); color: white;"
      "  border: 1px solid rgb(74, 120, 184); border-radius: 2px; }"
      "QPushButton#Panel1:hover { background-color: rgb(30, 84, 152); }"
      "QPushButton#Panel1:pressed { background-color: rgb(10, 48, 100); }"));
}

}  // namespace

TPickerForm::TPickerForm(QWidget* parent, const Layout& layout) : QDialog(parent) {
  setObjectName(QString::fromUtf8(layout.name));
  setWindowTitle(QString::fromUtf8(layout.title));
  ApplyPickerLook(*this, layout.size);

  Label1 = new QLabel(QString::fromUtf8(layout.caption), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont titleFont = Label1->font();
  titleFont.setPixelSize(19);
  Label1->setFont(titleFont);
  Label1->move(layout.captionAt);
  Label1->adjustSize();

  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setFont(QFont(QStringLiteral("微软雅黑")));
  ComboBox1->setGeometry(layout.list);

  Panel1 = new QPushButton(QStringLiteral("OK"), this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(layout.ok);
  Panel1->setAutoDefault(false);
  connect(Panel1, &QPushButton::clicked, this, &TPickerForm::Panel1Click);
}

std::optional<int> TPickerForm::Pick(const QStringList& lines, int preselected) {
  ComboBox1->clear();
  ComboBox1->addItems(lines);
  ComboBox1->setCurrentIndex(preselected);
  confirmed_.reset();
  RunPickerDialog(*this);
  return confirmed_;
}

void TPickerForm::Panel1Click() {
  confirmed_ = ComboBox1->currentIndex();
  accept();
}

}  // namespace vortik
