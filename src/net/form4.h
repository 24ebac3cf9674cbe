// TForm4: the car type picker.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <optional>
#include <string>
#include <vector>

namespace vortik {

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);

  // Shows one line per product with its car type, line `preselected` selected, and runs the
  // form modally. The line confirmed with OK, or nothing when the form was closed otherwise.
  std::optional<int> ShowCarTypePicker(const std::vector<std::string>& products, int preselected);

  QLabel* Label1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* Panel1 = nullptr;

 public Q_SLOTS:
  void Panel1Click();

 private:
  std::optional<int> confirmed_;
};

}  // namespace vortik
