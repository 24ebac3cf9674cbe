// The pickers' modal run and their binding to the product choice.
#pragma once

#include <functional>

#include "base/services.h"

class QDialog;

namespace vortik {

class TForm2;
class TForm4;

// Shows a filled picker modally. With a hook set, the picker is handed to the hook instead,
// which may pick a line and click OK or close it as a user would; nullptr restores the dialog.
void RunPickerDialog(QDialog& dialog);
void SetPickerDialogHook(std::function<void(QDialog&)> hook);

// Makes the product choice of `services` show the forms that `form2` and `form4` give, asked
// each time a picker opens (so a form can be made on first use). A form that is not there
// (nullptr) or has gone away counts as closed without OK.
void BindProductPickers(Services& services, std::function<TForm2*()> form2,
                        std::function<TForm4*()> form4);
// The same for two forms made already.
void BindProductPickers(Services& services, TForm2* form2, TForm4* form4);

}  // namespace vortik
