#include "net/form2.h"

namespace vortik {

TForm2::TForm2(QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("Form2")); }

}  // namespace vortik
