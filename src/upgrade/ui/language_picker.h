// TForm2: the product language picker.
#pragma once

#include <QLabel>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "upgrade/pickers.h"
#include "upgrade/ui/picker_form.h"

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
  // Where the lines' display names come from; without a reader, the built-in English names.
  void SetLanguageNames(LanguageNameReader names) { names_ = std::move(names); }

  QLabel* Label2 = nullptr;

 private:
  LanguageNameReader names_;
};

}  // namespace vortik
