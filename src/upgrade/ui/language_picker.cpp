#include "upgrade/ui/language_picker.h"

#include "upgrade/pickers.h"

namespace vortik {

TForm2::TForm2(QWidget* parent)
    : TPickerForm(parent, {"Form2", "Language", QSize(356, 363), "Select Language", QPoint(96, 72),
                           QRect(96, 128, 145, 25), QRect(96, 192, 145, 25)}) {
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(136, 104, 120, 17);
}

std::optional<int> TForm2::ShowLanguagePicker(const std::string& model,
                                              const std::vector<std::string>& languages,
                                              int preselected) {
  Label2->setText(QString::fromStdString(model));
  QStringList lines;
  for (const std::string& code : languages) {
    lines << QString::fromStdString(PickerLanguageName(code, names_));
  }
  return Pick(lines, preselected);
}

}  // namespace vortik
