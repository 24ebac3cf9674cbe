// TForm1: the language settings dialog.
#pragma once

#include <QDialog>

namespace vortik {

class TForm1 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
};

}  // namespace vortik
