// The tab row: four picture tabs with their captions; a switch shows the tab's page and sets the
// timers that only its page needs.
#include <QFontMetrics>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/ui/form_main.h"
#include "print/ui/print_page.h"
#include "skin/ui/accessibility.h"
#include "skin/ui/click_label.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/text_fit.h"
#include "upgrade/ui/internet_upgrade_page.h"

namespace vortik {

namespace {

const QColor kCurrentCaptionColour(255, 255, 255);  // the system window colour
const QColor kOtherCaptionColour(200, 200, 200);    // the system scroll-bar colour

void SetCaptionColour(QLabel* caption, const QColor& colour) {
  QPalette palette = caption->palette();
  palette.setColor(QPalette::WindowText, colour);
  caption->setPalette(palette);
}

}  // namespace

std::string TabPictureName(int tab, bool current) {
  char name[32];
  std::snprintf(name, sizeof name, "png:mbutton_%d%c", tab + 1, current ? 'b' : 'a');
  return name;
}

void TFormMain::BuildTabRow() {
  struct TabDesign {
    const char* picture;
    int left;
    const char* caption;
    QRect captionBounds;
    Qt::Alignment alignment;
    const char* text;
  };
  const TabDesign tabs[kTabCount] = {
      {"TabImgBtn0", 13, "Label_InternetUpgrade", QRect(72, 100, 158, 25),
       Qt::AlignHCenter | Qt::AlignBottom, "Internet Upgrade"},
      {"TabImgBtn1", 246, "Label_Print", QRect(320, 100, 43, 25), Qt::AlignLeft | Qt::AlignVCenter,
       "Print"},
      {"TabImgBtn2", 479, "Label_DtcLookup", QRect(540, 100, 112, 25),
       Qt::AlignLeft | Qt::AlignVCenter, "DTC Lookup"},
      {"TabImgBtn3", 712, "Label_Feedback", QRect(780, 100, 87, 25),
       Qt::AlignLeft | Qt::AlignVCenter, "Feedback"},
  };
  for (int i = 0; i < kTabCount; ++i) {
    auto* picture = new PictureControl(this, tabs[i].picture, tabs[i].left, 87, 228, 57);
    picture->setCursor(Qt::PointingHandCursor);
    picture->setProperty("tag", i);
    connect(picture, &PictureControl::clicked, this, &TFormMain::TabImgBtnClick);
    tabImages_[static_cast<size_t>(i)] = picture;
  }
  // Captions after the pictures, so they lie above them.
  for (int i = 0; i < kTabCount; ++i) {
    const QRect& r = tabs[i].captionBounds;
    auto* caption = new ClickLabel(this, tabs[i].caption, r.x(), r.y(), r.width(), r.height());
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(19);
    caption->setFont(font);
    caption->setAlignment(tabs[i].alignment);
    caption->setWordWrap(i == 0 || i == 2);
    caption->setCursor(Qt::PointingHandCursor);
    caption->setText(QString::fromUtf8(tabs[i].text));
    SetCaptionColour(caption, i == 0 ? kCurrentCaptionColour : kOtherCaptionColour);
    connect(caption, &ClickLabel::clicked, this, [this, i] { SwitchTabImgBtn(i); });
    tabCaptions_[static_cast<size_t>(i)] = caption;
    // One control for the keyboard and screen readers: the picture, named by its caption.
    MakeSkinButton(tabImages_[static_cast<size_t>(i)], ButtonRole::kPageTab, caption);
    SetFocusRingRadius(tabImages_[static_cast<size_t>(i)], 10);
    SetSkinTabSelected(tabImages_[static_cast<size_t>(i)], i == state_.curTab);
  }
}

// The captions were laid out for short English words; since the tab row is shown, each caption
// takes the tab's free width right of its icon, centred, and its font shrinks until the text of
// the current language fits on one line (on two lines when even the smallest size is too wide).
void TFormMain::FitTabCaptions() {
  constexpr int kIconRight = 62;  // the icon's right edge, from the tab's left
  constexpr int kRightMargin = 10;
  constexpr int kDesignedPixelSize = 19;
  constexpr int kSmallestPixelSize = 13;
  for (int i = 0; i < kTabCount; ++i) {
    QLabel* caption = tabCaptions_[static_cast<size_t>(i)];
    const QRect tab = tabImages_[static_cast<size_t>(i)]->geometry();
    const QRect bounds(tab.left() + kIconRight, tab.top() + 4,
                       tab.width() - kIconRight - kRightMargin, tab.height() - 12);
    caption->setGeometry(bounds);
    caption->setAlignment(Qt::AlignCenter);
    caption->setWordWrap(false);
    FitLabelText(caption, kDesignedPixelSize, kSmallestPixelSize, FitWrap::kWhenTooLong);
  }
}

void TFormMain::DrawTabPicture(int tab, bool current) {
  PictureControl* picture = tabImages_[static_cast<size_t>(tab)];
  // The pictures are two pixels larger each way; their top and left edges fall outside.
  picture->DrawPicture(*bitmapFactory_, TabPictureName(tab, current), true,
                       QRect(-2, -2, picture->width() + 2, picture->height() + 2));
}

void TFormMain::SwitchTabImgBtn(int index) {
  if (state_.upgradeMode != kUpgradeIdle || index < 0 || index >= kTabCount ||
      index == state_.curTab)
    return;
  const int previous = state_.curTab;
  ShowTabCurrent(index, true);
  // A page of the menu was showing: no tab picture to turn off.
  if (previous >= 0 && previous < kTabCount) ShowTabCurrent(previous, false);
  RoutePage(static_cast<PageId>(index));
  state_.curTab = index;
  ApplyTabTimers();
}

void TFormMain::ShowTabCurrent(int tab, bool current) {
  DrawTabPicture(tab, current);
  SetSkinTabSelected(tabImages_[static_cast<size_t>(tab)], current);
  SetCaptionColour(tabCaptions_[static_cast<size_t>(tab)],
                   current ? kCurrentCaptionColour : kOtherCaptionColour);
}

void TFormMain::ApplyTabTimers() {
  internetUpgradePage_->SetCurrent(state_.curTab == 0);
  // The Print page is built once it has been current; before, it has no timer to stop.
  if (printPage_ == nullptr) return;
  printPage_->SetReceiving(state_.curTab == 1);
  if (state_.curTab == 1) printPage_->PageShown();
}

void TFormMain::TabImgBtnClick() {
  if (QObject* tab = sender()) SwitchTabImgBtn(tab->property("tag").toInt());
}

void TFormMain::Label_InternetUpgradeClick() {
  SwitchTabImgBtn(0);
}

}  // namespace vortik
