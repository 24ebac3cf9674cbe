// The skinned main window: page 0's layout, the tab switch, page routing and the connectivity
// indicator.
#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QShortcut>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/ui/form_main.h"
#include "app/ui/main_menu.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "print/ui/print_page.h"
#include "skin/ui/click_label.h"
#include "skin/ui/message_box.h"
#include "skin/ui/picture_control.h"
#include "upgrade/ui/internet_upgrade_page.h"

namespace vortik {
namespace {

class SkinnedWindow : public ::testing::Test {
 protected:
  SkinnedWindow() {
    form_ = std::make_unique<TFormMain>(test::TestConfig());
    dialogs_.InstallOn(form_.get());
  }
  ~SkinnedWindow() override { form_.reset(); }

  void Click(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
  }

  template <typename T = QWidget>
  T* Find(const char* name) {
    return form_->findChild<T*>(QString::fromLatin1(name));
  }

  // Whether a tab picture shows the current-tab ("b") or the other ("a") picture.
  bool ShowsTabPicture(int tab, bool current) {
    PictureControl* picture = form_->tabImages()[static_cast<size_t>(tab)];
    BitmapRef expected = form_->Pictures().LoadBitmapA(
        "png:mbutton_" + std::to_string(tab + 1) + (current ? "b" : "a"), false);
    BitmapRef canvas = Bitmap::Create(picture->width(), picture->height(), 32);
    DrawBitmap(*expected, *canvas, -2, -2, canvas->width + 2, canvas->height + 2,
               kDefaultBackColour);
    return canvas->pixels == picture->surface().pixels;
  }

  test::TestDialogs dialogs_;
  std::unique_ptr<TFormMain> form_;
};

TEST_F(SkinnedWindow, PageZeroControlsSitOnTheWindowAtTheirPlaces) {
  // Page coordinates plus the page's offset of 156 rows.
  const std::map<std::string, QRect> places = {
      {"Image_bak1", QRect(22, 214, 50, 50)},
      {"Label_Upgrade", QRect(80, 225, 249, 28)},
      {"Label_Step1Part1", QRect(80, 266, 785, 25)},
      {"Label_Step1Part2", QRect(160, 306, 689, 25)},
      {"Label_Step2", QRect(80, 346, 793, 25)},
      {"Label_Step2Part2", QRect(160, 388, 713, 25)},
      {"Label_Step3", QRect(80, 428, 761, 25)},
      {"Label_Step3Part2", QRect(80, 476, 681, 25)},
      {"PanelGauge", QRect(64, 512, 828, 45)},
      {"Button_InternetUpdate", QRect(376, 578, 195, 53)},
      {"img_internet_status_text", QRect(615, 578, 200, 53)},
      {"img_internet_status_icon", QRect(832, 578, 54, 53)},
  };
  QWidget* page = form_->page(PageId::kInternetUpgrade);
  for (const auto& [name, place] : places) {
    auto* control = form_->findChild<QWidget*>(QString::fromStdString(name));
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(control->parentWidget(), page) << name;
    EXPECT_EQ(QRect(control->mapTo(form_.get(), QPoint(0, 0)), control->size()), place) << name;
    EXPECT_FALSE(control->isHidden()) << name;
  }
  auto* gauge = Find<QProgressBar>("ProgressBar10");
  EXPECT_EQ(gauge->parentWidget(), Find("PanelGauge"));
  EXPECT_EQ(gauge->geometry(), QRect(0, 0, 828, 45));

  // Every page is a child of the window over the area below the tab row; page 0 is shown.
  const char* pageNames[kPageCount] = {
      "TabSheet_InternetUpgrade", "TabSheetPrint",        "TabSheet3", "Feedback",
      "TabSheet_Manual",          "TabSheet_LocalUpgrade"};
  for (int i = 0; i < kPageCount; ++i) {
    QWidget* p = form_->page(static_cast<PageId>(i));
    EXPECT_EQ(p->objectName(), QString::fromLatin1(pageNames[i]));
    EXPECT_EQ(p->parentWidget(), form_.get()) << pageNames[i];
    EXPECT_EQ(p->geometry(), QRect(0, 156, 953, 492)) << pageNames[i];
    EXPECT_EQ(p->isHidden(), i != 0) << pageNames[i];
  }
  EXPECT_EQ(form_->currentPage(), PageId::kInternetUpgrade);

  // The window paints the background picture, which shows between the pages and the status.
  BitmapRef background = form_->Pictures().LoadBitmapA("png:main", false);
  ASSERT_FALSE(background == nullptr);
  EXPECT_EQ(background->width, 960);
  const QImage painted = form_->grab().toImage();
  for (QPoint at : {QPoint(480, 652), QPoint(5, 80)}) {
    EXPECT_EQ(painted.pixelColor(at), ToQImage(background.get()).pixelColor(at)) << at.y();
  }

  // The tab row is shown and every tab can be clicked.
  for (PictureControl* tab : form_->tabImages()) {
    EXPECT_FALSE(tab->isHidden());
    EXPECT_TRUE(tab->isEnabled());
  }
  EXPECT_TRUE(ShowsTabPicture(0, true));
  EXPECT_TRUE(ShowsTabPicture(1, false));
}

TEST_F(SkinnedWindow, TabSwitchShowsOnePageAndTheTimersFollow) {
  MainState& s = form_->state();
  // Stand-ins for controls that the later pages hold.
  auto* printControl = new QWidget(form_->page(PageId::kPrint));
  printControl->setGeometry(15, 0, 140, 46);
  auto* dtcControl = new QWidget(form_->page(PageId::kDtcLookup));
  dtcControl->setGeometry(404, 8, 89, 33);
  QWidget* upgradeText = Find("Label_Upgrade");

  Click(form_->tabImages()[1]);
  EXPECT_EQ(s.curTab, 1);
  EXPECT_EQ(form_->currentPage(), PageId::kPrint);
  EXPECT_TRUE(printControl->isVisibleTo(form_.get()));
  EXPECT_FALSE(upgradeText->isVisibleTo(form_.get()));
  EXPECT_TRUE(form_->printPage()->UartReadTimer->isActive());  // even without an open port
  EXPECT_FALSE(form_->internetUpgradePage()->TimerCheckInternet->isActive());
  EXPECT_FALSE(form_->internetUpgradePage()->TimerAnimator->isActive());
  EXPECT_TRUE(ShowsTabPicture(1, true));
  EXPECT_TRUE(ShowsTabPicture(0, false));

  Click(Find("Label_DtcLookup"));
  EXPECT_EQ(s.curTab, 2);
  EXPECT_FALSE(printControl->isVisibleTo(form_.get()));
  EXPECT_TRUE(dtcControl->isVisibleTo(form_.get()));
  EXPECT_FALSE(form_->printPage()->UartReadTimer->isActive());
  EXPECT_TRUE(ShowsTabPicture(2, true));
  EXPECT_TRUE(ShowsTabPicture(1, false));

  form_->SwitchTabImgBtn(1);
  EXPECT_EQ(printControl->mapTo(form_.get(), QPoint(0, 0)), QPoint(15, 156));
  EXPECT_EQ(dtcControl->mapTo(form_.get(), QPoint(0, 0)), QPoint(404, 164));

  Click(Find("Label_InternetUpgrade"));
  EXPECT_EQ(s.curTab, 0);
  EXPECT_TRUE(upgradeText->isVisibleTo(form_.get()));
  EXPECT_EQ(QRect(upgradeText->mapTo(form_.get(), QPoint(0, 0)), upgradeText->size()),
            QRect(80, 225, 249, 28));
  EXPECT_FALSE(printControl->isVisibleTo(form_.get()));
  EXPECT_TRUE(form_->internetUpgradePage()->TimerCheckInternet->isActive());
  EXPECT_FALSE(
      form_->internetUpgradePage()->TimerAnimator->isActive());  // not connected: no blinking
  EXPECT_TRUE(ShowsTabPicture(0, true));
  EXPECT_TRUE(ShowsTabPicture(1, false));
  EXPECT_TRUE(ShowsTabPicture(2, false));

  // Back to page 0 while connected starts the blinking.
  form_->UpdateInternetState(true);
  form_->SwitchTabImgBtn(3);
  EXPECT_FALSE(form_->internetUpgradePage()->TimerAnimator->isActive());
  form_->SwitchTabImgBtn(0);
  EXPECT_TRUE(form_->internetUpgradePage()->TimerAnimator->isActive());
}

// The Manual and Local Upgrade pages, reached through the menu, have no tab: while one shows no
// tab is current and the tabs' timers stop; choosing a tab brings the tab row's pages back.
// Screen readers see the current tab as the selected one, and no tab while a page of the menu
// shows.
TEST_F(SkinnedWindow, TheCurrentTabIsTheSelectedOne) {
  auto selected = [this](int tab) {
    QAccessibleInterface* face =
        QAccessible::queryAccessibleInterface(form_->tabImages()[static_cast<size_t>(tab)]);
    return face != nullptr && face->role() == QAccessible::PageTab && face->state().selected;
  };
  EXPECT_TRUE(selected(0));
  EXPECT_FALSE(selected(2));
  form_->SwitchTabImgBtn(2);
  EXPECT_FALSE(selected(0));
  EXPECT_TRUE(selected(2));
  form_->ShowPage(PageId::kManual);
  for (int tab = 0; tab < kTabCount; ++tab) EXPECT_FALSE(selected(tab)) << tab;
}

TEST_F(SkinnedWindow, PagesOfTheMenuStopTheTabTimersUntilATabIsChosen) {
  MainState& s = form_->state();
  form_->SwitchTabImgBtn(1);
  ASSERT_TRUE(form_->printPage()->UartReadTimer->isActive());
  for (PageId page : {PageId::kManual, PageId::kLocalUpgrade}) {
    form_->ShowPage(page);
    EXPECT_EQ(form_->currentPage(), page);
    EXPECT_FALSE(form_->page(page)->isHidden());
    EXPECT_TRUE(form_->page(PageId::kPrint)->isHidden());
    EXPECT_EQ(s.curTab, static_cast<int>(page));
    for (int tab = 0; tab < kTabCount; ++tab) EXPECT_TRUE(ShowsTabPicture(tab, false)) << tab;
    EXPECT_FALSE(form_->printPage()->UartReadTimer->isActive());
    EXPECT_FALSE(form_->internetUpgradePage()->TimerCheckInternet->isActive());
    EXPECT_FALSE(form_->internetUpgradePage()->TimerAnimator->isActive());
  }
  // The tab that was current before: its page and its timer come back.
  Click(form_->tabImages()[1]);
  EXPECT_EQ(form_->currentPage(), PageId::kPrint);
  EXPECT_TRUE(form_->page(PageId::kLocalUpgrade)->isHidden());
  EXPECT_TRUE(ShowsTabPicture(1, true));
  EXPECT_TRUE(form_->printPage()->UartReadTimer->isActive());

  // Tab 0 while connected: the poll and the blinking come back with it.
  form_->UpdateInternetState(true);
  form_->ShowPage(PageId::kManual);
  EXPECT_FALSE(form_->internetUpgradePage()->TimerAnimator->isActive());
  Click(Find("Label_InternetUpgrade"));
  EXPECT_EQ(form_->currentPage(), PageId::kInternetUpgrade);
  EXPECT_TRUE(form_->internetUpgradePage()->TimerAnimator->isActive());
  EXPECT_TRUE(form_->internetUpgradePage()->TimerCheckInternet->isActive());

  form_->ShowPage(PageId::kFeedback);  // a tab's page switches its tab
  EXPECT_EQ(s.curTab, 3);
  EXPECT_TRUE(ShowsTabPicture(3, true));

  // Frozen while an upgrade runs, and the menu cannot even open.
  form_->SetUpgradeMode(10);
  EXPECT_FALSE(form_->menuButton()->isEnabled());
  form_->ShowPage(PageId::kManual);
  form_->menuButton()->manualAction()->trigger();
  EXPECT_EQ(form_->currentPage(), PageId::kFeedback);
  form_->SetUpgradeMode(0);
  EXPECT_TRUE(form_->menuButton()->isEnabled());
}

// The menu beside the gear: its entries, F1 and the about box.
TEST_F(SkinnedWindow, MenuBesideTheGearReachesTheManualTheLocalUpgradeAndAbout) {
  MainMenuButton* menu = form_->menuButton();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->geometry(), QRect(774, 16, 30, 30));
  EXPECT_EQ(Find("SpeedButtonSetting")->geometry(), QRect(814, 16, 30, 30));

  menu->localUpgradeAction()->trigger();
  EXPECT_EQ(form_->currentPage(), PageId::kLocalUpgrade);
  auto* f1 = form_->findChild<QShortcut*>(QStringLiteral("ShortcutManual"));
  ASSERT_NE(f1, nullptr);
  Q_EMIT f1->activated();
  EXPECT_EQ(form_->currentPage(), PageId::kManual);

  QStringList shown;
  dialogs_.answers->message = [&](QWidget*, const QString& text, const QString&) { shown << text; };
  menu->aboutAction()->trigger();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].startsWith(QStringLiteral("VORTIK Version "))) << shown[0].toStdString();
  EXPECT_EQ(form_->currentPage(), PageId::kManual);
}

TEST_F(SkinnedWindow, NoTabChangesDuringAnUpgrade) {
  MainState& s = form_->state();
  PictureControl* tab2 = form_->tabImages()[2];
  const std::vector<uint8_t> before = tab2->surface().pixels;
  s.upgradeMode = 10;
  Click(tab2);
  form_->SwitchTabImgBtn(3);
  EXPECT_EQ(s.curTab, 0);
  EXPECT_EQ(tab2->surface().pixels, before);
  EXPECT_FALSE(form_->page(PageId::kInternetUpgrade)->isHidden());
  EXPECT_TRUE(form_->internetUpgradePage()->TimerCheckInternet->isActive());
  s.upgradeMode = 0;
  form_->SwitchTabImgBtn(0);  // the current tab: nothing to do
  EXPECT_EQ(s.curTab, 0);
  EXPECT_TRUE(ShowsTabPicture(0, true));
}

TEST_F(SkinnedWindow, IndicatorStartsDisconnectedAndFollowsTheState) {
  auto shows = [this](PictureControl* control, const char* name) {
    BitmapRef expected = form_->Pictures().LoadBitmapA(name, false);
    BitmapRef canvas = Bitmap::Create(control->width(), control->height(), 32);
    DrawBitmap(*expected, *canvas, 0, 0, canvas->width, canvas->height, kDefaultBackColour);
    return canvas->pixels == control->surface().pixels;
  };
  // The skin set-up draws the disconnected state, which sets the first poll to 5 s.
  EXPECT_EQ(form_->internetUpgradePage()->TimerCheckInternet->interval(), 5000);
  EXPECT_FALSE(form_->state().internetConnected);
  auto* caption = Find<QLabel>("Label_InternetConnected");
  auto* plate = Find<PictureControl>("img_internet_status_text");
  auto* icon = Find<PictureControl>("img_internet_status_icon");
  EXPECT_EQ(caption->text(), QStringLiteral("Internet Disconnected"));
  EXPECT_TRUE(shows(plate, "png:internet_connected_text0"));
  EXPECT_TRUE(shows(icon, "png:internet_connected_icon0"));

  form_->UpdateInternetState(true);
  EXPECT_EQ(form_->internetUpgradePage()->TimerCheckInternet->interval(), 15000);
  EXPECT_TRUE(form_->internetUpgradePage()->TimerAnimator->isActive());
  EXPECT_EQ(caption->text(), QStringLiteral("Internet Connected"));
  EXPECT_TRUE(shows(plate, "png:internet_connected_text2"));
  form_->internetUpgradePage()->BlinkInternetIcon();
  EXPECT_TRUE(shows(icon, "png:internet_connected_icon3"));
  form_->internetUpgradePage()->BlinkInternetIcon();
  EXPECT_TRUE(shows(icon, "png:internet_connected_icon2"));

  form_->state().upgradeMode = 10;
  form_->internetUpgradePage()->PollInternet();  // frozen, whatever the network says
  EXPECT_TRUE(form_->state().internetConnected);
  form_->state().upgradeMode = 0;
  form_->UpdateInternetState(false);
  EXPECT_FALSE(form_->internetUpgradePage()->TimerAnimator->isActive());
  EXPECT_EQ(form_->internetUpgradePage()->TimerCheckInternet->interval(), 5000);
}

TEST_F(SkinnedWindow, EveryPictureIsDecodedOnceWhileItStaysCached) {
  TBitmapFactory& factory = form_->Pictures();
  QWidget* checkButton = Find("Button_InternetUpdate");
  // A clock standing at 0: every picture counts as used this second, so none is evicted. A
  // picture that the real clock evicted while the window was built (a slow start crosses a
  // second) may be decoded once more, but never again after that.
  factory.SetClock([] { return 0u; });
  std::map<std::string, int> before;
  for (const ResourceEntry& e : factory.resources()) before[e.name] = e.decodeCount;
  for (int round = 0; round < 3; ++round) {
    for (int tab : {1, 2, 3, 0}) form_->SwitchTabImgBtn(tab);
    form_->UpdateInternetState(true);
    form_->internetUpgradePage()->BlinkInternetIcon();
    form_->internetUpgradePage()->BlinkInternetIcon();
    form_->UpdateInternetState(false);
    checkButton->setEnabled(false);
    checkButton->setEnabled(true);
  }
  int pictures = 0;
  for (const ResourceEntry& e : factory.resources()) {
    EXPECT_LE(e.decodeCount - before[e.name], 1) << e.name;
    pictures += e.decodeCount > 0 ? 1 : 0;
  }
  EXPECT_GE(pictures, 14);  // 8 tabs, 3 icons, 2 plates, the check button
}

}  // namespace
}  // namespace vortik
