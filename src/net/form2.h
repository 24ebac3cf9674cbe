// TForm2: the product language picker.
#pragma once

#include <QDialog>

namespace vortik {

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace vortik
