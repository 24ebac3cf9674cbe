// Pages built when first shown: only the first page exists with the window; each other page is
// built by whichever way the user first reaches it, in the window's language, and a language
// applied later reaches the pages built by then and every page built after.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/ui/form_main.h"
#include "app/ui/main_menu.h"
#include "helpers/click.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "i18n/lang_table.h"
#include "i18n/temp_folder.h"
#include "i18n/ui/fonts.h"
#include "i18n/ui/lang_ui.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/text_fit.h"
#include "upgrade/ui/local_upgrade_page.h"

namespace vortik {
namespace {

using testing::TempFolder;

constexpr int kChinese = 1;
constexpr int kGerman = 6;

// A control of each page other than the first that the language table gives a caption.
struct PageCaption {
  PageId page;
  const char* control;
  TextId text;
};
const PageCaption kPageCaptions[] = {
    {PageId::kPrint, "Label_PrintPrint", TextId::LabelPrintPrint},
    {PageId::kDtcLookup, "Label_Search", TextId::LabelSearch},
    {PageId::kFeedback, "Label_Product", TextId::Product},
    {PageId::kManual, "Label2", TextId::LabelManualHint},
    {PageId::kLocalUpgrade, "GroupBox_Upgrade1", TextId::GroupUpgradeRom},
};

QString CaptionOf(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  return {};
}

// A window over a copy of the shipped language file with a stored language of the test's
// choice; the font substitutions go back to English afterwards.
class PageBuilding : public ::testing::Test {
 protected:
  ~PageBuilding() override {
    form_.reset();
    InstallFontSubstitutions(kDefaultLanguage);
  }

  void Open(int language) {
    path_ = dir_.File("lang.ini");
    std::filesystem::copy_file(VORTIK_SOURCE_DIR "/data/lang.ini", path_,
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(WriteStoredLanguage(path_, language));
    AppConfig config;
    config.language = {path_, path_};
    form_ = std::make_unique<TFormMain>(config);
    dialogs_.InstallOn(form_.get());
  }

  LanguageTable Table(int language) {
    EXPECT_TRUE(WriteStoredLanguage(path_, language));
    return LoadLanguageTable(path_);
  }

  QWidget* Find(const char* name) { return form_->findChild<QWidget*>(QString::fromLatin1(name)); }

  // Each page's caption shows the language's text, and the page is the only one shown.
  void ExpectCaptionsIn(const LanguageTable& table, std::initializer_list<PageId> pages) {
    for (const PageCaption& c : kPageCaptions) {
      if (std::find(pages.begin(), pages.end(), c.page) == pages.end()) continue;
      QWidget* control = Find(c.control);
      ASSERT_NE(control, nullptr) << c.control;
      EXPECT_EQ(CaptionOf(control).toStdString(), table.texts[c.text]) << c.control;
    }
  }

  TempFolder dir_;
  std::string path_;
  test::TestDialogs dialogs_;
  std::unique_ptr<TFormMain> form_;
};

TEST_F(PageBuilding, OnlyTheFirstPageAndItsPicturesExistBeforeAnyIsShown) {
  Open(kDefaultLanguage);
  EXPECT_NE(form_->builtPage(PageId::kInternetUpgrade), nullptr);
  for (int i = 1; i < kPageCount; ++i) {
    EXPECT_EQ(form_->builtPage(static_cast<PageId>(i)), nullptr) << i;
  }
  // The routes that reach the Print and Local Upgrade pages from the window's own work build
  // nothing: the port search, the receive timer's switch and the upgrade mode.
  form_->ScanDevicePort();
  form_->SetUpgradeMode(kUpgradeModeRefresh);
  form_->SwitchTabImgBtn(0);
  EXPECT_EQ(form_->builtPage(PageId::kPrint), nullptr);
  EXPECT_EQ(form_->builtPage(PageId::kLocalUpgrade), nullptr);
  for (const ResourceEntry& e : form_->Pictures().resources()) {
    for (const char* hidden : {"png:btn_print_normal", "png:btn_clear_light",
                               "png:editsearch_frame", "png:frame_dtclookup"}) {
      EXPECT_NE(e.name, hidden) << "decoded before its page was shown";
    }
  }
}

// Each page reached for the first time by each of its ways shows its controls with the chosen
// language's texts, fonts and fitted captions.
TEST_F(PageBuilding, EachPageReachedFirstByTabMenuOrKeyShowsTheChosenLanguage) {
  struct Route {
    const char* how;
    PageId page;
    std::function<void(TFormMain&)> reach;
  };
  const Route routes[] = {
      {"tab picture", PageId::kPrint,
       [](TFormMain& f) { test::SendLeftClick(f.tabImages()[1], QPointF(100, 30)); }},
      {"tab caption", PageId::kDtcLookup,
       [](TFormMain& f) {
         auto* caption = f.findChild<QWidget*>(QStringLiteral("Label_DtcLookup"));
         test::SendLeftClick(caption, QPointF(caption->width() / 2.0, caption->height() / 2.0));
       }},
      {"tab picture", PageId::kFeedback,
       [](TFormMain& f) { test::SendLeftClick(f.tabImages()[3], QPointF(100, 30)); }},
      {"menu", PageId::kManual, [](TFormMain& f) { f.menuButton()->manualAction()->trigger(); }},
      {"F1", PageId::kManual,
       [](TFormMain& f) {
         Q_EMIT f.findChild<QShortcut*>(QStringLiteral("ShortcutManual"))->activated();
       }},
      {"menu", PageId::kLocalUpgrade,
       [](TFormMain& f) { f.menuButton()->localUpgradeAction()->trigger(); }},
  };
  for (int language : {kGerman, kChinese}) {
    for (const Route& route : routes) {
      SCOPED_TRACE(std::string(route.how) + " in language " + std::to_string(language));
      Open(language);
      const LanguageTable table = LoadLanguageTable(path_);
      form_->show();
      ASSERT_EQ(form_->builtPage(route.page), nullptr);
      route.reach(*form_);
      ASSERT_EQ(form_->currentPage(), route.page);
      QWidget* page = form_->builtPage(route.page);
      ASSERT_NE(page, nullptr);
      EXPECT_TRUE(page->isVisible());
      EXPECT_EQ(page->geometry(), QRect(0, 156, 953, 492));
      for (int other = 0; other < kPageCount; ++other) {
        QWidget* p = form_->builtPage(static_cast<PageId>(other));
        if (p != nullptr && p != page) {
          EXPECT_FALSE(p->isVisible()) << other;
        }
      }
      ExpectCaptionsIn(table, {route.page});
      if (route.page == PageId::kPrint) {
        // The fitted captions, and the face the language sets its labels in.
        auto* label = qobject_cast<QLabel*>(Find("Label_PrintPrint"));
        EXPECT_TRUE(TextFitsLabel(*label)) << label->text().toStdString();
        EXPECT_EQ(label->font().families().contains(QString::fromUtf8(kChineseFontName)),
                  language == kChinese);
      }
      if (route.page == PageId::kDtcLookup) {
        // Screen readers name the list as its tab is named.
        EXPECT_EQ(Find("DTCLookupList")->accessibleName().toStdString(),
                  table.texts[TextId::LabelDtcLoopup]);
      }
      if (route.page == PageId::kDtcLookup && language == kGerman) {
        // The German correction of the DTC headings: 13 points.
        EXPECT_EQ(Find("Label_Brands")->font().pixelSize(), PointsToPixels(13));
      }
    }
  }
  // The hidden test burn of the Local Upgrade page is wired as the page is built (something
  // listens to it: there is a connection to take away).
  EXPECT_TRUE(QObject::disconnect(form_->localUpgradePage(), &LocalUpgradePage::testBurnRequested,
                                  nullptr, nullptr));
}

// A page built while an upgrade of the Local Upgrade page's kind runs shows the run's state.
TEST_F(PageBuilding, ALocalUpgradePageBuiltDuringARunShowsTheRun) {
  Open(kDefaultLanguage);
  form_->SetUpgradeMode(10);
  ASSERT_EQ(form_->builtPage(PageId::kLocalUpgrade), nullptr);
  LocalUpgradePage* local = form_->localUpgradePage();
  int buttons = 0;
  for (auto* button : local->findChildren<QPushButton*>()) {
    if (button->isHidden()) continue;  // the developer's hidden test burn
    EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    ++buttons;
  }
  EXPECT_GE(buttons, 9);
  form_->SetUpgradeMode(kUpgradeIdle);
}

// A language applied with only some pages built: the built ones change, the others stay unbuilt
// and take it when they are built.
TEST_F(PageBuilding, ALanguageChangeReachesTheBuiltPagesAndThoseBuiltLater) {
  Open(kDefaultLanguage);
  const LanguageTable english = LoadLanguageTable(path_);
  form_->show();
  form_->SwitchTabImgBtn(1);
  ASSERT_NE(form_->builtPage(PageId::kPrint), nullptr);
  ExpectCaptionsIn(english, {PageId::kPrint});

  const LanguageTable german = Table(kGerman);
  ASSERT_NE(german.texts[TextId::LabelPrintPrint], english.texts[TextId::LabelPrintPrint]);
  form_->ApplyLanguage(german);
  EXPECT_EQ(form_->state().langIndex, kGerman);
  ExpectCaptionsIn(german, {PageId::kPrint});
  EXPECT_EQ(qobject_cast<QLabel*>(Find("Label_Print"))->text().toStdString(),
            german.texts[TextId::LabelPrint]);
  EXPECT_EQ(qobject_cast<QLabel*>(Find("Label_Step1Part1"))->text().toStdString(),
            german.texts[TextId::LabelStep1Part1]);
  EXPECT_EQ(qobject_cast<QLabel*>(Find("Label_Status"))->text().toStdString(),
            german.texts[TextId::LabelStatus]);
  for (PageId unbuilt :
       {PageId::kDtcLookup, PageId::kFeedback, PageId::kManual, PageId::kLocalUpgrade}) {
    EXPECT_EQ(form_->builtPage(unbuilt), nullptr) << int(unbuilt);
  }

  form_->SwitchTabImgBtn(2);
  form_->ShowPage(PageId::kManual);
  ExpectCaptionsIn(german, {PageId::kDtcLookup, PageId::kManual});
  form_->localUpgradePage();
  ExpectCaptionsIn(german, {PageId::kLocalUpgrade});
  EXPECT_EQ(form_->builtPage(PageId::kFeedback), nullptr);

  // And back: every page built so far, and the one built last.
  form_->ApplyLanguage(english);
  ExpectCaptionsIn(english, {PageId::kPrint, PageId::kDtcLookup, PageId::kLocalUpgrade});
  form_->SwitchTabImgBtn(3);
  ExpectCaptionsIn(english, {PageId::kFeedback});
}

// Pictures are decoded when their page first shows, and none again however often the pages
// are shown and their buttons pressed, though every use comes a second after the last (so any
// picture nothing holds could be evicted).
TEST_F(PageBuilding, PicturesAreDecodedOnFirstUseAndNeverAgain) {
  Open(kDefaultLanguage);
  TBitmapFactory& pictures = form_->Pictures();
  pictures.SetClock([seconds = 0u]() mutable { return ++seconds; });
  auto visitAll = [this] {
    for (int tab : {1, 2, 3, 0}) form_->SwitchTabImgBtn(tab);
    form_->ShowPage(PageId::kManual);
    form_->ShowPage(PageId::kLocalUpgrade);
    form_->ShowPage(PageId::kInternetUpgrade);
    form_->SwitchTabImgBtn(1);
    // A press on each Print caption shows its button's pressed picture, the release the normal
    // one again (the right button: no action runs).
    for (const char* name : {"Label_PrintPrint", "Label_Clear", "Label_Copy", "Label_Edit"}) {
      QWidget* label = Find(name);
      const QPointF at(4, 4);
      QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::RightButton,
                        Qt::RightButton, Qt::NoModifier);
      QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::RightButton,
                          Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(label, &press);
      QCoreApplication::sendEvent(label, &release);
    }
  };
  visitAll();
  const int decoded = pictures.decodeCount();
  std::set<std::string> names;
  for (const ResourceEntry& e : pictures.resources()) {
    EXPECT_LE(e.decodeCount, 1) << e.name;
    if (e.decodeCount > 0) names.insert(e.name);
  }
  EXPECT_TRUE(names.count("png:btn_print_light") == 1);
  EXPECT_TRUE(names.count("png:editsearch_frame") == 1);
  visitAll();
  visitAll();
  EXPECT_EQ(pictures.decodeCount(), decoded);
}

}  // namespace
}  // namespace vortik
