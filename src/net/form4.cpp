#include "net/form4.h"

#include <QFont>

#include "net/catalogue.h"
#include "net/pickers_ui.h"

namespace vortik {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("CarType"));
  ApplyPickerLook(*this, 351, 364);

  Label1 = new QLabel(QStringLiteral("Select CarType"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont titleFont = Label1->font();
  titleFont.setPixelSize(19);
  Label1->setFont(titleFont);
  Label1->move(96, 80);
  Label1->adjustSize();

  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setFont(QFont(QStringLiteral("微软雅黑")));
  ComboBox1->setGeometry(88, 128, 145, 25);

  Panel1 = new QPushButton(QStringLiteral("OK"), this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(88, 184, 145, 25);
  Panel1->setAutoDefault(false);
  connect(Panel1, &QPushButton::clicked, this, &TForm4::Panel1Click);
}

std::optional<int> TForm4::ShowCarTypePicker(const std::vector<std::string>& products,
                                             int preselected) {
  ComboBox1->clear();
  for (const std::string& product : products) {
    ComboBox1->addItem(QString::fromStdString(CarTypeLine(product)));
  }
  ComboBox1->setCurrentIndex(preselected);
  confirmed_.reset();
  RunPickerDialog(*this);
  return confirmed_;
}

void TForm4::Panel1Click() {
  confirmed_ = ComboBox1->currentIndex();
  accept();
}

}  // namespace vortik
