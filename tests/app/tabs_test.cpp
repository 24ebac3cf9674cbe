// The skinned main window: page 0's layout, the tab switch and the connectivity indicator.
#include <QCoreApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/form_main.h"
#include "app/message_box.h"
#include "skin/click_label.h"
#include "skin/picture_control.h"

namespace vortik {
namespace {

class SkinnedWindow : public ::testing::Test {
 protected:
  SkinnedWindow() {
    SetMessageBoxHook([](const QString&) {});
    form_ = std::make_unique<TFormMain>();
  }
  ~SkinnedWindow() override {
    form_.reset();
    SetMessageBoxHook(nullptr);
  }

  void Click(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
  }

  // Whether a tab picture shows the current-tab ("b") or the other ("a") picture.
  bool ShowsTabPicture(int tab, bool current) {
    PictureControl* picture = form_->tabImages[tab];
    BitmapRef expected = form_->bitmapFactory->LoadBitmapA(
        "png:mbutton_" + std::to_string(tab + 1) + (current ? "b" : "a"), false);
    BitmapRef canvas = Bitmap::Create(picture->width(), picture->height(), 32);
    DrawBitmap(*expected, *canvas, -2, -2, canvas->width + 2, canvas->height + 2,
               kDefaultBackColour);
    return canvas->pixels == picture->surface().pixels;
  }

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
  for (const auto& [name, place] : places) {
    auto* control = form_->findChild<QWidget*>(QString::fromStdString(name));
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(control->parentWidget(), form_.get()) << name;
    EXPECT_EQ(control->geometry(), place) << name;
    EXPECT_FALSE(control->isHidden()) << name;
  }
  EXPECT_EQ(form_->ProgressBar10->parentWidget(), form_->PanelGauge);
  EXPECT_EQ(form_->ProgressBar10->geometry(), QRect(0, 0, 828, 45));
  EXPECT_TRUE(form_->PageControl_Main->isHidden());
  EXPECT_EQ(form_->PageControl_Main->pos(), QPoint(-4, 129));
  EXPECT_FALSE(form_->bkBitmap == nullptr);
  EXPECT_EQ(form_->bkBitmap->width, 960);

  // The tab row is shown and every tab can be clicked.
  for (PictureControl* tab : form_->tabImages) {
    EXPECT_FALSE(tab->isHidden());
    EXPECT_TRUE(tab->isEnabled());
  }
  EXPECT_TRUE(ShowsTabPicture(0, true));
  EXPECT_TRUE(ShowsTabPicture(1, false));
}

TEST_F(SkinnedWindow, TabSwitchShowsOnePageAndTheTimersFollow) {
  MainState& s = form_->state();
  // Stand-ins for controls that later pages will hold, already lifted onto the window.
  auto* printControl = new QWidget(form_.get());
  printControl->setGeometry(15, 156, 140, 46);
  printControl->hide();
  form_->pageControls[1].push_back(printControl);
  auto* dtcControl = new QWidget(form_.get());
  dtcControl->setGeometry(404, 164, 89, 33);
  dtcControl->hide();
  form_->pageControls[2].push_back(dtcControl);

  Click(form_->TabImgBtn1);
  EXPECT_EQ(s.curTab, 1);
  EXPECT_FALSE(printControl->isHidden());
  EXPECT_TRUE(form_->Label_Upgrade->isHidden());
  EXPECT_TRUE(form_->UartReadTimer->isActive());  // even without an open port
  EXPECT_FALSE(form_->TimerCheckInternet->isActive());
  EXPECT_FALSE(form_->TimerAnimator->isActive());
  EXPECT_TRUE(ShowsTabPicture(1, true));
  EXPECT_TRUE(ShowsTabPicture(0, false));

  Click(form_->Label_DtcLookup);
  EXPECT_EQ(s.curTab, 2);
  EXPECT_TRUE(printControl->isHidden());
  EXPECT_FALSE(dtcControl->isHidden());
  EXPECT_FALSE(form_->UartReadTimer->isActive());
  EXPECT_TRUE(ShowsTabPicture(2, true));
  EXPECT_TRUE(ShowsTabPicture(1, false));

  form_->SwitchTabImgBtn(1);
  EXPECT_EQ(printControl->geometry(), QRect(15, 156, 140, 46));
  EXPECT_EQ(dtcControl->geometry(), QRect(404, 164, 89, 33));

  Click(form_->Label_InternetUpgrade);
  EXPECT_EQ(s.curTab, 0);
  EXPECT_FALSE(form_->Label_Upgrade->isHidden());
  EXPECT_EQ(form_->Label_Upgrade->geometry(), QRect(80, 225, 249, 28));
  EXPECT_TRUE(printControl->isHidden());
  EXPECT_TRUE(form_->TimerCheckInternet->isActive());
  EXPECT_FALSE(form_->TimerAnimator->isActive());  // not connected: no blinking
  EXPECT_TRUE(ShowsTabPicture(0, true));
  EXPECT_TRUE(ShowsTabPicture(1, false));
  EXPECT_TRUE(ShowsTabPicture(2, false));

  // Back to page 0 while connected starts the blinking.
  form_->UpdateInternetState(true);
  form_->SwitchTabImgBtn(3);
  EXPECT_FALSE(form_->TimerAnimator->isActive());
  form_->SwitchTabImgBtn(0);
  EXPECT_TRUE(form_->TimerAnimator->isActive());
}

TEST_F(SkinnedWindow, NoTabChangesDuringAnUpgrade) {
  MainState& s = form_->state();
  const std::vector<uint8_t> before = form_->TabImgBtn2->surface().pixels;
  s.upgradeMode = 10;
  Click(form_->TabImgBtn2);
  form_->SwitchTabImgBtn(3);
  EXPECT_EQ(s.curTab, 0);
  EXPECT_EQ(form_->TabImgBtn2->surface().pixels, before);
  EXPECT_FALSE(form_->Label_Upgrade->isHidden());
  EXPECT_TRUE(form_->TimerCheckInternet->isActive());
  s.upgradeMode = 0;
  form_->SwitchTabImgBtn(0);  // the current tab: nothing to do
  EXPECT_EQ(s.curTab, 0);
  EXPECT_TRUE(ShowsTabPicture(0, true));
}

TEST_F(SkinnedWindow, IndicatorStartsDisconnectedAndFollowsTheState) {
  auto shows = [this](PictureControl* control, const char* name) {
    BitmapRef expected = form_->bitmapFactory->LoadBitmapA(name, false);
    BitmapRef canvas = Bitmap::Create(control->width(), control->height(), 32);
    DrawBitmap(*expected, *canvas, 0, 0, canvas->width, canvas->height, kDefaultBackColour);
    return canvas->pixels == control->surface().pixels;
  };
  // The skin set-up draws the disconnected state, which sets the first poll to 5 s.
  EXPECT_EQ(form_->TimerCheckInternet->interval(), 5000);
  EXPECT_FALSE(form_->state().internetConnected);
  EXPECT_EQ(form_->Label_InternetConnected->text(), QStringLiteral("Internet Disconnected"));
  EXPECT_TRUE(shows(form_->img_internet_status_text, "png:internet_connected_text0"));
  EXPECT_TRUE(shows(form_->img_internet_status_icon, "png:internet_connected_icon0"));

  form_->UpdateInternetState(true);
  EXPECT_EQ(form_->TimerCheckInternet->interval(), 15000);
  EXPECT_TRUE(form_->TimerAnimator->isActive());
  EXPECT_EQ(form_->Label_InternetConnected->text(), QStringLiteral("Internet Connected"));
  EXPECT_TRUE(shows(form_->img_internet_status_text, "png:internet_connected_text2"));
  form_->TimerAnimatorTimer();
  EXPECT_TRUE(shows(form_->img_internet_status_icon, "png:internet_connected_icon3"));
  form_->TimerAnimatorTimer();
  EXPECT_TRUE(shows(form_->img_internet_status_icon, "png:internet_connected_icon2"));

  form_->state().upgradeMode = 10;
  form_->TimerCheckInternetTimer();  // frozen, whatever the network says
  EXPECT_TRUE(form_->state().internetConnected);
  form_->state().upgradeMode = 0;
  form_->UpdateInternetState(false);
  EXPECT_FALSE(form_->TimerAnimator->isActive());
  EXPECT_EQ(form_->TimerCheckInternet->interval(), 5000);
}

TEST_F(SkinnedWindow, EveryPictureIsDecodedOnceWhileItStaysCached) {
  TBitmapFactory& factory = *form_->bitmapFactory;
  // A clock standing at 0: every picture counts as used this second, so none is evicted.
  factory.SetClock([] { return 0u; });
  for (int round = 0; round < 3; ++round) {
    for (int tab : {1, 2, 3, 0}) form_->SwitchTabImgBtn(tab);
    form_->UpdateInternetState(true);
    form_->TimerAnimatorTimer();
    form_->TimerAnimatorTimer();
    form_->UpdateInternetState(false);
    form_->Button_InternetUpdate->setEnabled(false);
    form_->Button_InternetUpdate->setEnabled(true);
  }
  int pictures = 0;
  for (const ResourceEntry& e : factory.resources()) {
    EXPECT_LE(e.decodeCount, 1) << e.name;
    pictures += e.decodeCount;
  }
  EXPECT_GE(pictures, 14);  // 8 tabs, 3 icons, 2 plates, the check button
}

}  // namespace
}  // namespace vortik
