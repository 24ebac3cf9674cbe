// TForm4: the car type picker.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "upgrade/ui/picker_form.h"

namespace vortik {

class TForm4 : public TPickerForm {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);

  // Shows one line per product with its car type, line `preselected` selected, and runs the
  // form modally. The line confirmed with OK, or nothing when the form was closed otherwise.
  std::optional<int> ShowCarTypePicker(const std::vector<std::string>& products, int preselected);
};

}  // namespace vortik
