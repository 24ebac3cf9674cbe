#include "upgrade/ui/car_type_picker.h"

#include "upgrade/catalogue.h"

namespace vortik {

TForm4::TForm4(QWidget* parent)
    : TPickerForm(parent, {"Form4", "CarType", QSize(351, 364), "Select CarType", QPoint(96, 80),
                           QRect(88, 128, 145, 25), QRect(88, 184, 145, 25)}) {}

std::optional<int> TForm4::ShowCarTypePicker(const std::vector<std::string>& products,
                                             int preselected) {
  QStringList lines;
  for (const std::string& product : products) {
    lines << QString::fromStdString(CarTypeLine(product));
  }
  return Pick(lines, preselected);
}

}  // namespace vortik
