// The pickers' modal run and their binding to the product choice.
#pragma once

#include <functional>

#include "base/services.h"

class QDialog;

namespace vortik {

class TForm2;
class TForm4;

// Shows a filled picker modally, unless its window has its own answer (skin/ui/dialogs.h).
void RunPickerDialog(QDialog& dialog);

// Makes the product choice of `services` show the forms that `form2` and `form4` give, asked
// each time a picker opens (so a form can be made on first use). A form that is not there
// (nullptr) or has gone away counts as closed without OK.
void BindProductPickers(Services& services, std::function<TForm2*()> form2,
                        std::function<TForm4*()> form4);
// The same for two forms made already.
void BindProductPickers(Services& services, TForm2* form2, TForm4* form4);

}  // namespace vortik
