// TForm2: the product language picker.
#pragma once

#include <QLabel>

#include <optional>
#include <string>
#include <vector>

#include "net/picker_form.h"

namespace vortik {

class TForm2 : public TPickerForm {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);

  // Shows `model`, one line per language code (its display name) with line `preselected`
  // selected, and runs the form modally. The line confirmed with OK, or nothing when the form
  // was closed otherwise.
  std::optional<int> ShowLanguagePicker(const std::string& model,
                                        const std::vector<std::string>& languages, int preselected);

  QLabel* Label2 = nullptr;
};

}  // namespace vortik
