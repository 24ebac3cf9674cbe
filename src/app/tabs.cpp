// The tab row and the tab switch: the controls of pages 0..3 are lifted onto the window and
// shown or hidden as a group, four picture tabs show which page is current.
#include <QFontMetrics>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "app/form_main.h"
#include "skin/click_label.h"
#include "skin/picture_control.h"
#include "views/print_panel.h"

namespace vortik {

namespace {

const QColor kCurrentCaptionColour(255, 255, 255);  // the system window colour
const QColor kOtherCaptionColour(200, 200, 200);    // the system scroll-bar colour

std::string TabPictureName(int tab, bool current) {
  char name[32];
  std::snprintf(name, sizeof name, "png:mbutton_%d%c", tab + 1, current ? 'b' : 'a');
  return name;
}

void SetCaptionColour(QLabel* caption, const QColor& colour) {
  QPalette palette = caption->palette();
  palette.setColor(QPalette::WindowText, colour);
  caption->setPalette(palette);
}

void SetTimerEnabled(QTimer* timer, bool enabled) {
  if (!enabled) {
    timer->stop();
  } else if (!timer->isActive()) {
    timer->start();
  }
}

}  // namespace

void TFormMain::BuildTabRow() {
  struct TabDesign {
    const char* picture;
    int left;
    const char* caption;
    QRect captionBounds;
    Qt::Alignment alignment;
    const char* text;
  };
  const TabDesign tabs[4] = {
      {"TabImgBtn0", 13, "Label_InternetUpgrade", QRect(72, 100, 158, 25),
       Qt::AlignHCenter | Qt::AlignBottom, "Internet Upgrade"},
      {"TabImgBtn1", 246, "Label_Print", QRect(320, 100, 43, 25), Qt::AlignLeft | Qt::AlignVCenter,
       "Print"},
      {"TabImgBtn2", 479, "Label_DtcLookup", QRect(540, 100, 112, 25),
       Qt::AlignLeft | Qt::AlignVCenter, "DTC Lookup"},
      {"TabImgBtn3", 712, "Label_Feedback", QRect(780, 100, 87, 25),
       Qt::AlignLeft | Qt::AlignVCenter, "Feedback"},
  };
  PictureControl* pictures[4] = {};
  ClickLabel* captions[4] = {};
  for (int i = 0; i < 4; ++i) {
    pictures[i] = new PictureControl(this, tabs[i].picture, tabs[i].left, 87, 228, 57);
    pictures[i]->setCursor(Qt::PointingHandCursor);
    pictures[i]->setProperty("tag", i);
    pictures[i]->setEnabled(i == 0);  // the form design enables only the first tab
  }
  // Captions after the pictures, so they lie above them.
  for (int i = 0; i < 4; ++i) {
    const QRect& r = tabs[i].captionBounds;
    captions[i] = new ClickLabel(this, tabs[i].caption, r.x(), r.y(), r.width(), r.height());
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(19);
    captions[i]->setFont(font);
    captions[i]->setAlignment(tabs[i].alignment);
    captions[i]->setWordWrap(i == 0 || i == 2);
    captions[i]->setCursor(Qt::PointingHandCursor);
    captions[i]->setText(QString::fromUtf8(tabs[i].text));
    SetCaptionColour(captions[i], i == 0 ? kCurrentCaptionColour : kOtherCaptionColour);
  }
  TabImgBtn0 = pictures[0];
  TabImgBtn1 = pictures[1];
  TabImgBtn2 = pictures[2];
  TabImgBtn3 = pictures[3];
  Label_InternetUpgrade = captions[0];
  Label_Print = captions[1];
  Label_DtcLookup = captions[2];
  Label_Feedback = captions[3];
}

// The captions were laid out for short English words; since the tab row is shown, each caption
// takes the tab's free width right of its icon, centred, and its font shrinks until the text of
// the current language fits on one line (two lines at the smallest size).
void TFormMain::FitTabCaptions() {
  constexpr int kIconRight = 62;  // the icon's right edge, from the tab's left
  constexpr int kRightMargin = 10;
  constexpr int kSmallestPixelSize = 13;
  ClickLabel* captions[4] = {Label_InternetUpgrade, Label_Print, Label_DtcLookup, Label_Feedback};
  for (int i = 0; i < 4; ++i) {
    QLabel* caption = captions[i];
    const QRect tab = tabImages[i] != nullptr ? tabImages[i]->geometry() : QRect();
    if (caption == nullptr || tab.isEmpty()) continue;
    const QRect bounds(tab.left() + kIconRight, tab.top() + 4,
                       tab.width() - kIconRight - kRightMargin, tab.height() - 12);
    caption->setGeometry(bounds);
    caption->setAlignment(Qt::AlignCenter);
    QFont font = caption->font();
    const int designed = font.pixelSize() > 0 ? font.pixelSize() : 19;
    // Text width grows with the pixel size, so one measurement at the designed size gives the
    // size that fits; a second confirms it (hinting may round a pixel either way).
    int size = designed;
    const int width = QFontMetrics(font).horizontalAdvance(caption->text());
    if (width > bounds.width()) {
      size = std::max(kSmallestPixelSize, designed * bounds.width() / width);
      font.setPixelSize(size);
      if (size > kSmallestPixelSize &&
          QFontMetrics(font).horizontalAdvance(caption->text()) > bounds.width()) {
        font.setPixelSize(--size);
      }
    }
    caption->setFont(font);
    caption->setWordWrap(QFontMetrics(font).horizontalAdvance(caption->text()) > bounds.width());
  }
}

void TFormMain::DrawTabPicture(int tab, bool current) {
  PictureControl* picture = tabImages[tab];
  BitmapRef bitmap = bitmapFactory->LoadBitmapA(TabPictureName(tab, current), true);
  // The pictures are two pixels larger each way; their top and left edges fall outside.
  picture->DrawBitmap(bitmap, -2, -2, picture->width() + 2, picture->height() + 2);
  bitmapFactory->FreeBitmap(bitmap);
}

void TFormMain::SetupTabs() {
  tabImages = {TabImgBtn0, TabImgBtn1, TabImgBtn2, TabImgBtn3};
  for (int i = 0; i < 4; ++i) DrawTabPicture(i, i == state_.curTab);
  state_.curTab = 0;

  PageControl_Main->hide();
  PageControl_Main->move(-4, 129);
  QWidget* pages[4] = {TabSheet_InternetUpgrade, TabSheetPrint, TabSheet3, Feedback};
  for (int j = 0; j < 4; ++j) {
    pageControls[j].clear();
    CollectPageControls(pages[j], pageControls[j]);
    MovePageControls(pageControls[j]);
    if (j != 0) ShowPageControls(pageControls[j], false);
  }

  // VORTIK shows the tab row, so every page is reachable: the tab pictures are enabled and
  // bound, and so are the captions.
  for (PictureControl* picture : tabImages) {
    picture->setEnabled(true);
    connect(picture, &PictureControl::clicked, this, &TFormMain::TabImgBtnClick);
  }
  connect(Label_InternetUpgrade, &ClickLabel::clicked, this,
          &TFormMain::Label_InternetUpgradeClick);
  connect(Label_Print, &ClickLabel::clicked, this, &TFormMain::Label_PrintClick);
  connect(Label_DtcLookup, &ClickLabel::clicked, this, &TFormMain::Label_DtcLookupClick);
  connect(Label_Feedback, &ClickLabel::clicked, this, &TFormMain::Label_FeedbackClick);
}

void TFormMain::CollectPageControls(QWidget* page, std::vector<QWidget*>& list) {
  for (QObject* child : page->children()) {
    auto* control = qobject_cast<QWidget*>(child);
    if (control != nullptr && !control->isWindow()) list.push_back(control);
  }
}

void TFormMain::MovePageControls(const std::vector<QWidget*>& list) {
  if (list.empty()) return;
  // Each control keeps its place on the screen: shift by the page's offset in the window.
  const QPoint offset = list.front()->parentWidget()->mapTo(this, QPoint(0, 0));
  for (QWidget* control : list) {
    const bool hidden = control->isHidden();
    const QPoint place = control->pos() + offset;
    control->setParent(this);  // hides the control
    control->move(place);
    control->setVisible(!hidden);
  }
}

void TFormMain::ShowPageControls(const std::vector<QWidget*>& list, bool visible) {
  for (QWidget* control : list) {
    const QPoint place = control->pos();
    control->setVisible(visible);
    control->move(place);
  }
}

void TFormMain::SwitchTabImgBtn(int index) {
  if (state_.upgradeMode != 0 || index == state_.curTab) return;
  if (index < 0 || index > 3 || bitmapFactory == nullptr) return;
  const int previous = state_.curTab;
  BitmapRef current = bitmapFactory->LoadBitmapA(TabPictureName(index, true), true);
  BitmapRef other = bitmapFactory->LoadBitmapA(TabPictureName(previous, false), true);
  for (auto [tab, bitmap] : {std::pair{index, current}, std::pair{previous, other}}) {
    PictureControl* picture = tabImages[tab];
    picture->DrawBitmap(bitmap, -2, -2, picture->width() + 2, picture->height() + 2);
  }

  ClickLabel* captions[4] = {Label_InternetUpgrade, Label_Print, Label_DtcLookup, Label_Feedback};
  SetCaptionColour(captions[index], kCurrentCaptionColour);
  SetCaptionColour(captions[previous], kOtherCaptionColour);

  ShowPageControls(pageControls[index], true);
  ShowPageControls(pageControls[previous], false);
  state_.curTab = index;
  bitmapFactory->FreeBitmap(current);
  bitmapFactory->FreeBitmap(other);

  SetTimerEnabled(TimerAnimator, state_.internetConnected && state_.curTab == 0);
  SetTimerEnabled(TimerCheckInternet, state_.curTab == 0);
  SetTimerEnabled(UartReadTimer, state_.curTab == 1);
  if (state_.curTab == 1) printPanel->PageShown(*syncUart);
}

void TFormMain::TabImgBtnClick() {
  if (QObject* tab = sender()) SwitchTabImgBtn(tab->property("tag").toInt());
}

void TFormMain::Label_InternetUpgradeClick() {
  SwitchTabImgBtn(0);
}
void TFormMain::Label_PrintClick() {
  SwitchTabImgBtn(1);
}
void TFormMain::Label_DtcLookupClick() {
  SwitchTabImgBtn(2);
}
void TFormMain::Label_FeedbackClick() {
  SwitchTabImgBtn(3);
}

}  // namespace vortik
