#include "i18n/ui/language_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/form_main.h"
#include "helpers/click.h"
#include "helpers/scoped_env.h"
#include "helpers/test_dialogs.h"
#include "i18n/lang_table.h"
#include "i18n/temp_folder.h"
#include "skin/ui/message_box.h"

namespace vortik {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::Utf16LeFile;
using testing::WriteBytes;

// A left click at a point of the dialog, delivered to whatever control lies there.
void ClickAt(QWidget* dialog, QPoint pos) {
  QWidget* target = dialog->childAt(pos);
  if (target == nullptr) target = dialog;
  test::SendLeftClick(target, target->mapFrom(dialog, pos));
}

using test::ScopedEnv;

const QPoint kConfirmCaption(400, 478);  // on Label_Confirm
const QPoint kConfirmFrame(328, 459);    // on ImgButtonConfirm, outside its caption
const QPoint kCancelCaption(560, 478);   // on Label_Cancel

class LanguageDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    files_ = {path_, path_};
    dialogs_.answers->message = [this](QWidget*, const QString& text, const QString&) {
      messages_.push_back(text);
    };
  }
  void TearDown() override {
    dialog_.reset();
    main_.reset();
  }
  // The main window stand-in and the dialog it owns, both shown.
  TForm1& Open() {
    main_ = std::make_unique<QWidget>();
    dialogs_.InstallOn(main_.get());
    main_->show();
    dialog_ = std::make_unique<TForm1>(main_.get(), files_);
    QObject::connect(dialog_.get(), &TForm1::restartRequested, [this] { ++restarts_; });
    dialog_->show();
    return *dialog_;
  }
  int CheckedRadio() const {
    for (int n = 1; n <= 12; ++n) {
      if (dialog_->RadioButton(n)->isChecked()) return n;
    }
    return 0;
  }

  TempFolder dir_;
  std::string path_ = dir_.File("lang.ini");
  test::TestDialogs dialogs_;
  std::unique_ptr<QWidget> main_;
  LanguageFiles files_;  // where the dialog reads and writes
  std::unique_ptr<TForm1> dialog_;
  std::vector<QString> messages_;
  int restarts_ = 0;
};

TEST_F(LanguageDialog, ShowsTheStoredLanguageInItsOwnTexts) {
  WriteBytes(path_,
             Utf16LeFile("[set]\r\nval=6\r\n[de]\r\nConfirmButton=Bestätigen\r\n"
                         "CancelButton=Abbrechen\r\nLanguageSettings=Spracheinstellungen\r\n"));
  TForm1& dialog = Open();
  EXPECT_EQ(dialog.size(), QSize(960, 584));
  EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(dialog.storedLanguage(), 6);
  EXPECT_EQ(CheckedRadio(), 6);
  EXPECT_EQ(dialog.Label_Confirm->text(), QStringLiteral("Bestätigen"));
  EXPECT_EQ(dialog.Label_Cancel->text(), QStringLiteral("Abbrechen"));
  EXPECT_EQ(dialog.Label_LanguageSettings->text(), QStringLiteral("Spracheinstellungen"));
  EXPECT_EQ(dialog.Label_Version->text(), QStringLiteral("Version: 9.4"));
  const char* names[] = {"中文",       "English",   "にほんご",     "한국어",
                         "Polsk",      "Deutsch",   "Русский язык", "Français",
                         "Nederlands", "Português", "Español",      "Italiano"};
  for (int n = 1; n <= 12; ++n) {
    EXPECT_EQ(dialog.RadioButton(n)->text(), QString::fromUtf8(names[n - 1]));
    EXPECT_EQ(dialog.RadioButton(n)->objectName(), QStringLiteral("TntRadioButton%1").arg(n));
  }
}

TEST_F(LanguageDialog, ConfirmingTheSameLanguageOnlyCloses) {
  WriteBytes(path_, Utf16LeFile("[set]\r\nval=3\r\n"));
  const std::string before = ReadBytes(path_);
  TForm1& dialog = Open();
  ASSERT_EQ(dialog.childAt(kConfirmCaption), dialog.Label_Confirm);
  ClickAt(&dialog, kConfirmCaption);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(main_->isVisible());
  EXPECT_EQ(restarts_, 0);
  EXPECT_EQ(ReadBytes(path_), before);
}

TEST_F(LanguageDialog, ConfirmingAnotherLanguageStoresItAndRestarts) {
  WriteBytes(path_, Utf16LeFile("[set]\r\nval=3\r\n[jp]\r\nLabelUpgrade=アップグレード\r\n"));
  TForm1& dialog = Open();
  dialog.RadioButton(10)->click();
  ClickAt(&dialog, kConfirmCaption);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(main_->isVisible());
  EXPECT_EQ(restarts_, 1);
  EXPECT_EQ(ReadStoredLanguage(path_), 10);
  EXPECT_EQ(ReadBytes(path_),
            Utf16LeFile("[set]\r\nval=10\r\n[jp]\r\nLabelUpgrade=アップグレード\r\n"));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(LanguageDialog, TheConfirmFrameAndCancelCloseWithoutApplying) {
  WriteBytes(path_, Utf16LeFile("[set]\r\nval=4\r\n"));
  const std::string before = ReadBytes(path_);
  TForm1& dialog = Open();
  for (QPoint where : {kConfirmFrame, kCancelCaption}) {
    dialog.show();
    dialog.RadioButton(9)->click();
    ClickAt(&dialog, where);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(restarts_, 0);
    EXPECT_EQ(ReadBytes(path_), before);
    // The next showing starts again from the stored language.
    dialog.show();
    EXPECT_EQ(CheckedRadio(), 4);
    dialog.hide();
  }
  ASSERT_EQ(dialog.childAt(kConfirmFrame), dialog.ImgButtonConfirm);
  dialog.show();
  dialog.CloseButton->click();
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(LanguageDialog, ANumberOutsideTheTableShowsEnglishAndConfirmChoosesChinese) {
  WriteBytes(path_, Utf16LeFile("[set]\r\nval=0\r\n[cn]\r\nConfirmButton=确认\r\n"));
  TForm1& dialog = Open();
  EXPECT_EQ(dialog.Label_Confirm->text(), QStringLiteral("Confirm"));
  EXPECT_EQ(CheckedRadio(), 1);
  ClickAt(&dialog, kConfirmCaption);
  EXPECT_EQ(restarts_, 1);
  EXPECT_EQ(ReadStoredLanguage(path_), 1);
}

TEST_F(LanguageDialog, AFailedWriteIsReportedAndLeavesNothingHalfDone) {
  // A folder where the file should be: it can be neither read nor written.
  files_ = {dir_.path(), dir_.path()};
  TForm1& dialog = Open();
  EXPECT_EQ(dialog.storedLanguage(), 2);
  dialog.RadioButton(8)->click();
  ClickAt(&dialog, kConfirmCaption);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].contains(QString::fromStdString(dir_.path())));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(main_->isVisible());
  EXPECT_EQ(restarts_, 0);
  EXPECT_EQ(dialog.storedLanguage(), 2);
  // A second Confirm tries again rather than closing as if the choice had been applied.
  ClickAt(&dialog, kConfirmCaption);
  EXPECT_EQ(messages_.size(), 2u);
  EXPECT_TRUE(dialog.isVisible());
}

// An installed copy: the shipped texts in a data folder the user cannot change, found through
// the XDG data folders; the choice goes to the user's configuration folder and the window
// built after the restart speaks the chosen language.
TEST_F(LanguageDialog, InstalledCopyKeepsTheChoiceInTheUsersFolder) {
  const std::string shipped = dir_.File("share/vortik/lang.ini");
  const std::string choice = dir_.File("config/vortik/lang.ini");
  std::filesystem::create_directories(dir_.File("share/vortik"));
  WriteBytes(shipped, Utf16LeFile("[set]\r\nval=2\r\n"
                                  "[en]\r\nLabelInternetUpgrade=Internet Upgrade\r\n"
                                  "[de]\r\nLabelInternetUpgrade=Online-Update\r\n"
                                  "ConfirmButton=Bestätigen\r\n"));
  const std::string shippedBytes = ReadBytes(shipped);
  std::filesystem::permissions(dir_.File("share/vortik"), std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_exec);
  ScopedEnv dataHome("XDG_DATA_HOME", dir_.File("nothing"));
  ScopedEnv dataDirs("XDG_DATA_DIRS", dir_.File("share"));
  ScopedEnv configHome("XDG_CONFIG_HOME", dir_.File("config"));
  files_ = {};  // the lookups of the running program
  ASSERT_EQ(LanguageFilePath(), shipped);
  EXPECT_EQ(LanguageChoicePath(), choice);

  TForm1& dialog = Open();
  EXPECT_EQ(dialog.storedLanguage(), 2);
  dialog.RadioButton(6)->click();
  ClickAt(&dialog, kConfirmCaption);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(restarts_, 1);
  EXPECT_EQ(ReadStoredLanguage(choice), 6);
  EXPECT_EQ(ReadBytes(shipped), shippedBytes);
  {
    TFormMain restarted;
    EXPECT_EQ(restarted.state().langIndex, 6);
    auto* tab = restarted.findChild<QLabel*>(QStringLiteral("Label_InternetUpgrade"));
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->text(), QStringLiteral("Online-Update"));
    TForm1 again(&restarted);
    EXPECT_EQ(again.storedLanguage(), 6);
    EXPECT_EQ(again.Label_Confirm->text(), QStringLiteral("Bestätigen"));
  }
  std::filesystem::permissions(dir_.File("share/vortik"), std::filesystem::perms::owner_all);
}

}  // namespace
}  // namespace vortik
