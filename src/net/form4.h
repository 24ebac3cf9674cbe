// TForm4: the car type picker.
#pragma once

#include <QDialog>

namespace vortik {

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);
};

}  // namespace vortik
