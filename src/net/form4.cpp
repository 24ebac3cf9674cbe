#include "net/form4.h"

namespace vortik {

TForm4::TForm4(QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("Form4")); }

}  // namespace vortik
