#include "net/form2.h"

#include <QFont>

#include "net/pickers.h"
#include "net/pickers_ui.h"

namespace vortik {

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Language"));
  ApplyPickerLook(*this, 356, 363);

  Label1 = new QLabel(QStringLiteral("Select Language"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont titleFont = Label1->font();
  titleFont.setPixelSize(19);
  Label1->setFont(titleFont);
  Label1->move(96, 72);
  Label1->adjustSize();

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(136, 104, 120, 17);

  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setFont(QFont(QStringLiteral("微软雅黑")));
  ComboBox1->setGeometry(96, 128, 145, 25);

  Panel1 = new QPushButton(QStringLiteral("OK"), this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(96, 192, 145, 25);
  Panel1->setAutoDefault(false);
  connect(Panel1, &QPushButton::clicked, this, &TForm2::Panel1Click);
}

std::optional<int> TForm2::ShowLanguagePicker(const std::string& model,
                                              const std::vector<std::string>& languages,
                                              int preselected) {
  Label2->setText(QString::fromStdString(model));
  ComboBox1->clear();
  for (const std::string& code : languages) {
    ComboBox1->addItem(QString::fromStdString(PickerLanguageName(code)));
  }
  ComboBox1->setCurrentIndex(preselected);
  confirmed_.reset();
  RunPickerDialog(*this);
  return confirmed_;
}

void TForm2::Panel1Click() {
  confirmed_ = ComboBox1->currentIndex();
  accept();
}

}  // namespace vortik
