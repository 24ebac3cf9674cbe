// Every caption of the window and its dialogs, in each of the twelve languages of the shipped
// language file, lies inside its control: measured in the control's font, wrapped as the
// control wraps.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/form_main.h"
#include "helpers/test_config.h"
#include "i18n/lang_table.h"
#include "i18n/temp_folder.h"
#include "i18n/ui/fonts.h"
#include "i18n/ui/language_dialog.h"
#include "skin/ui/text_fit.h"
#include "upgrade/ui/car_type_picker.h"
#include "upgrade/ui/internet_upgrade_page.h"
#include "upgrade/ui/language_picker.h"

namespace vortik {
namespace {

using testing::TempFolder;

std::string Describe(const QWidget& w, const QString& text, const QRectF& box, const QRectF& used) {
  return QStringLiteral("%1 \"%2\" at %3 px: box %4,%5 %6x%7, text %8,%9 %10x%11")
      .arg(w.objectName(), text)
      .arg(w.font().pixelSize())
      .arg(box.x())
      .arg(box.y())
      .arg(box.width())
      .arg(box.height())
      .arg(used.x(), 0, 'f', 1)
      .arg(used.y(), 0, 'f', 1)
      .arg(used.width(), 0, 'f', 1)
      .arg(used.height(), 0, 'f', 1)
      .toStdString();
}

// The visible captions under `root` whose text does not fit, one line each.
std::vector<std::string> Misfits(QWidget* root) {
  std::vector<std::string> misfits;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(root)) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      const QString text = label->text();
      if (text.isEmpty() || label->textFormat() == Qt::RichText ||
          (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        continue;
      }
      if (!TextFitsLabel(*label)) {
        const QRectF box = label->contentsRect();
        misfits.push_back(
            Describe(*label, text, box,
                     TextExtent(label->font(), text, box, label->alignment(), label->wordWrap())));
      }
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      const QString text = button->text();
      if (text.isEmpty()) continue;
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = text;
      QStyle::SubElement contents = QStyle::SE_PushButtonContents;
      Qt::Alignment alignment = Qt::AlignCenter;
      if (qobject_cast<QRadioButton*>(button) != nullptr) {
        contents = QStyle::SE_RadioButtonContents;
        alignment = Qt::AlignLeft | Qt::AlignVCenter;
      } else if (qobject_cast<QCheckBox*>(button) != nullptr) {
        contents = QStyle::SE_CheckBoxContents;
        alignment = Qt::AlignLeft | Qt::AlignVCenter;
      }
      const QRectF box = button->style()->subElementRect(contents, &option, button);
      const QRectF used = TextExtent(button->font(), text, box, alignment, false);
      if (!box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(used)) {
        misfits.push_back(Describe(*button, text, box, used));
      }
    }
  }
  return misfits;
}

// Whether the named caption lies on the named picture (both children of one page).
bool LiesOn(QWidget* root, const char* caption, const char* picture) {
  auto* c = root->findChild<QWidget*>(QString::fromLatin1(caption));
  auto* p = root->findChild<QWidget*>(QString::fromLatin1(picture));
  return c != nullptr && p != nullptr && p->geometry().contains(c->geometry());
}

class CaptionsFit : public ::testing::TestWithParam<LanguageInfo> {
 protected:
  void SetUp() override {
    const std::filesystem::path shipped = VORTIK_SOURCE_DIR "/data/lang.ini";
    path_ = dir_.File("lang.ini");
    std::filesystem::copy_file(shipped, path_);
    ASSERT_TRUE(WriteStoredLanguage(path_, GetParam().number));
    InstallFontSubstitutions(GetParam().number);
  }
  void TearDown() override { InstallFontSubstitutions(kDefaultLanguage); }

  TempFolder dir_;
  std::string path_;
};

TEST_P(CaptionsFit, InTheWindowOnEveryPageAndInTheDialogs) {
  AppConfig config;
  config.language = {path_, path_};
  TFormMain form(config);
  form.internetUpgradePage()->TimerCheckInternet->stop();
  for (PageId page : {PageId::kInternetUpgrade, PageId::kPrint, PageId::kDtcLookup,
                      PageId::kFeedback, PageId::kManual, PageId::kLocalUpgrade}) {
    form.ShowPage(page);
    for (const std::string& m : Misfits(&form)) ADD_FAILURE() << "page " << int(page) << ": " << m;
  }
  // The indicator's caption in both states, and "Check Update", stay on their pictures.
  form.ShowPage(PageId::kInternetUpgrade);
  for (bool connected : {true, false}) {
    form.UpdateInternetState(connected);
    form.internetUpgradePage()->TimerAnimator->stop();
    for (const std::string& m : Misfits(&form)) ADD_FAILURE() << connected << ": " << m;
    EXPECT_TRUE(LiesOn(&form, "Label_InternetConnected", "img_internet_status_text"));
  }
  EXPECT_TRUE(LiesOn(&form, "Label_CheckUpdate", "Button_InternetUpdate"));

  TForm1 languages(&form, config.language);
  for (const std::string& m : Misfits(&languages)) ADD_FAILURE() << "language dialog: " << m;
  TForm2 serverLanguages(&form);
  TForm4 carTypes(&form);
  for (QWidget* picker :
       {static_cast<QWidget*>(&serverLanguages), static_cast<QWidget*>(&carTypes)}) {
    for (const std::string& m : Misfits(picker)) ADD_FAILURE() << "picker: " << m;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, CaptionsFit, ::testing::ValuesIn(Languages()),
                         [](const ::testing::TestParamInfo<LanguageInfo>& info) {
                           return std::string(info.param.section);
                         });

}  // namespace
}  // namespace vortik
