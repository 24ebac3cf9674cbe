#include "net/pickers_ui.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <utility>

#include "net/form2.h"
#include "net/form4.h"
#include "net/pickers.h"

namespace vortik {

namespace {

std::function<void(QDialog&)>& DialogHook() {
  static std::function<void(QDialog&)> hook;
  return hook;
}

}  // namespace

void RunPickerDialog(QDialog& dialog) {
  if (DialogHook()) {
    DialogHook()(dialog);
    return;
  }
  dialog.exec();
}

void SetPickerDialogHook(std::function<void(QDialog&)> hook) {
  DialogHook() = std::move(hook);
}

void ApplyPickerLook(QDialog& dialog, int width, int height) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.setModal(true);
  dialog.setFixedSize(width, height);
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

void BindProductPickers(TForm2* form2, TForm4* form4) {
  ProductPickers pickers;
  pickers.language = [form = QPointer<TForm2>(form2)](const std::string& model,
                                                      const std::vector<std::string>& languages,
                                                      int preselected) -> std::optional<int> {
    if (form.isNull()) return std::nullopt;
    return form->ShowLanguagePicker(model, languages, preselected);
  };
  pickers.carType = [form = QPointer<TForm4>(form4)](const std::vector<std::string>& products,
                                                     int preselected) -> std::optional<int> {
    if (form.isNull()) return std::nullopt;
    return form->ShowCarTypePicker(products, preselected);
  };
  SetProductPickers(std::move(pickers));
}

}  // namespace vortik
