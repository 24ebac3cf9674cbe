// TForm1: the language settings dialog (twelve languages; a new choice restarts the app).
#pragma once

#include <QDialog>
#include <QPixmap>

#include <array>
#include <string>

#include "base/app_config.h"
#include "skin/ui/picture_control.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace vortik {

class TForm1 : public QDialog {
  Q_OBJECT

 public:
  // Reads the stored language and the dialog's texts from the language files (empty names: the
  // standard places), and writes a confirmed choice to the choice file. The main window that a
  // confirmed change closes is `parent`'s window; restartRequested comes first.
  explicit TForm1(QWidget* parent = nullptr, const LanguageFiles& files = {});

  int storedLanguage() const { return storedLanguage_; }
  // The radio button of language n (1..12).
  QRadioButton* RadioButton(int n) const;

  QLabel* Label_LanguageSettings = nullptr;
  QWidget* ImgButtonConfirm = nullptr;
  QLabel* Label_Confirm = nullptr;
  QWidget* ImgButtonCancel = nullptr;
  QLabel* Label_Cancel = nullptr;
  QPushButton* CloseButton = nullptr;
  QLabel* Label_Version = nullptr;

 public Q_SLOTS:
  void Label_ConfirmClick();
  // Also the click of both button frames: only a click on the Confirm caption applies.
  void Label_CancelClick();
  void CloseButtonClick();

 Q_SIGNALS:
  // A new language was stored: the application starts again in it once the window has closed.
  void restartRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CheckStoredLanguage();

  std::string path_;  // where the choice is written: the user's lang.ini
  int storedLanguage_ = 2;
  std::array<QRadioButton*, 12> radios_{};
  SkinPixmap background_;
};

}  // namespace vortik
