#include "i18n/form1.h"

namespace vortik {

TForm1::TForm1(QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("Form1")); }

}  // namespace vortik
