#include "upgrade/ui/picker_dialogs.h"

#include <QDialog>
#include <QPointer>

#include <utility>

#include "skin/ui/dialogs.h"
#include "upgrade/ui/car_type_picker.h"
#include "upgrade/ui/language_picker.h"

namespace vortik {

void RunPickerDialog(QDialog& dialog) {
  if (const Dialogs* dialogs = FindDialogs(&dialog); dialogs && dialogs->runPicker) {
    dialogs->runPicker(dialog);
    return;
  }
  dialog.exec();
}

void BindProductPickers(Services& services, std::function<TForm2*()> form2,
                        std::function<TForm4*()> form4) {
  services.pickLanguage = [form2 = std::move(form2)](const std::string& model,
                                                     const std::vector<std::string>& languages,
                                                     int preselected) -> std::optional<int> {
    TForm2* form = form2 ? form2() : nullptr;
    if (form == nullptr) return std::nullopt;
    return form->ShowLanguagePicker(model, languages, preselected);
  };
  services.pickCarType = [form4 = std::move(form4)](const std::vector<std::string>& products,
                                                    int preselected) -> std::optional<int> {
    TForm4* form = form4 ? form4() : nullptr;
    if (form == nullptr) return std::nullopt;
    return form->ShowCarTypePicker(products, preselected);
  };
}

void BindProductPickers(Services& services, TForm2* form2, TForm4* form4) {
  BindProductPickers(
      services, [form = QPointer<TForm2>(form2)] { return form.data(); },
      [form = QPointer<TForm4>(form4)] { return form.data(); });
}

}  // namespace vortik
