// The pickers' modal run and their binding to the product choice.
#pragma once

#include <functional>

class QDialog;

namespace vortik {

class TForm2;
class TForm4;

// Shows a filled picker modally. With a hook set, the picker is handed to the hook instead,
// which may pick a line and click OK or close it as a user would; nullptr restores the dialog.
void RunPickerDialog(QDialog& dialog);
void SetPickerDialogHook(std::function<void(QDialog&)> hook);

// Makes the product choice show `form2` and `form4` (created once, reused). A form that has
// gone away counts as closed without OK.
void BindProductPickers(TForm2* form2, TForm4* form4);

}  // namespace vortik
