// TPickerForm: what the two pickers share: a title, a list of lines and an OK panel, run modally.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <optional>

namespace vortik {

class TPickerForm : public QDialog {
  Q_OBJECT

 public:
  QLabel* Label1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* Panel1 = nullptr;

 public Q_SLOTS:
  void Panel1Click();

 protected:
  struct Layout {
    const char* name;     // the form's object name
    const char* title;    // window title
    QSize size;           // fixed size of the form
    const char* caption;  // Label1's text
    QPoint captionAt;     // Label1's place; it takes the size of its text
    QRect list;           // ComboBox1
    QRect ok;             // Panel1
  };
  TPickerForm(QWidget* parent, const Layout& layout);

  // Shows `lines` with line `preselected` selected and runs the form modally. The line confirmed
  // with OK, or nothing when the form was closed otherwise.
  std::optional<int> Pick(const QStringList& lines, int preselected);

 private:
  std::optional<int> confirmed_;
};

}  // namespace vortik
