// TForm2: the product language picker.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <optional>
#include <string>
#include <vector>

namespace vortik {

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);

  // Shows `model`, one line per language code (its display name) with line `preselected`
  // selected, and runs the form modally. The line confirmed with OK, or nothing when the form
  // was closed otherwise.
  std::optional<int> ShowLanguagePicker(const std::string& model,
                                        const std::vector<std::string>& languages, int preselected);

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* Panel1 = nullptr;

 public Q_SLOTS:
  void Panel1Click();

 private:
  std::optional<int> confirmed_;
};

}  // namespace vortik
