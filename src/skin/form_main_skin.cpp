// The main window's look: page 0's controls, fonts and colours, and the skin set-up that runs
// once during construction.
#include <QPainter>
#include <QPixmap>

#include "app/form_main.h"
#include "skin/click_label.h"
#include "skin/gauge_bar.h"
#include "skin/picture_control.h"
#include "skin/qt_resource_store.h"

namespace vortik {

namespace {

constexpr int kWindowWidth = 960;
constexpr int kWindowHeight = 700;
const QColor kWindowColour(255, 255, 255);      // the system window colour
const QColor kWindowTextColour(0, 0, 0);        // the system window-text colour
const QColor kDarkShadowColour(105, 105, 105);  // the system dark 3-D shadow colour
const QColor kBackgroundColour(2, 33, 81);
const QColor kGrayTextColour(109, 109, 109);  // the system colour of disabled text

void StyleLabel(QLabel* label, const QString& face, int pixelSize, const QColor& colour,
                Qt::Alignment alignment, bool wordWrap) {
  QFont font(face);
  font.setPixelSize(pixelSize);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Disabled, QPalette::WindowText, kGrayTextColour);
  label->setPalette(palette);
  label->setAlignment(alignment);
  label->setWordWrap(wordWrap);
}

ClickLabel* MakePageLabel(QWidget* page, const char* name, int x, int y, int w, int h,
                          int pixelSize, const char* text) {
  auto* label = new ClickLabel(page, name, x, y, w, h);
  StyleLabel(label, QStringLiteral("微软雅黑"), pixelSize, kWindowColour,
             Qt::AlignLeft | Qt::AlignVCenter, true);
  label->setText(QString::fromUtf8(text));
  return label;
}

}  // namespace

void TFormMain::BuildPage0() {
  QWidget* page = TabSheet_InternetUpgrade;
  // Page coordinates; the tab set-up lifts these controls onto the window 156 rows lower.
  Image_bak1 = new PictureControl(page, "Image_bak1", 22, 58, 50, 50);
  Label_Upgrade = MakePageLabel(page, "Label_Upgrade", 80, 69, 249, 28, 21, "Upgrade");
  Label_Step1Part1 = MakePageLabel(page, "Label_Step1Part1", 80, 110, 785, 25, 20,
                                   "Step 1: Press and hold down the \"OK\" key on the Scan Tool");
  Label_Step1Part2 = MakePageLabel(page, "Label_Step1Part2", 160, 150, 689, 25, 20,
                                   "while plugging in the usb cable from the PC");
  Label_Step2 =
      MakePageLabel(page, "Label_Step2", 80, 190, 793, 25, 20,
                    "Step 2: Verify that the Scan Tool's screen indicates \"Update Mode\"");
  Label_Step2Part2 = MakePageLabel(page, "Label_Step2Part2", 160, 232, 713, 25, 20, "");
  Label_Step3 = MakePageLabel(page, "Label_Step3", 80, 272, 761, 25, 20,
                              "Step 3: Click \"Check Update\" to start the upgrade process");
  Label_Step3Part2 = MakePageLabel(page, "Label_Step3Part2", 80, 320, 681, 25, 20, "");

  PanelGauge = new QWidget(page);
  PanelGauge->setObjectName(QStringLiteral("PanelGauge"));
  PanelGauge->setGeometry(64, 356, 828, 45);
  PanelGauge->setAttribute(Qt::WA_TranslucentBackground);
  ProgressBar10 = new GaugeBar(PanelGauge);
  ProgressBar10->setObjectName(QStringLiteral("ProgressBar10"));
  ProgressBar10->setGeometry(0, 0, 828, 45);
  ProgressBar10->setRange(0, 100);
  ProgressBar10->setValue(0);

  Button_InternetUpdate = new PictureControl(page, "Button_InternetUpdate", 376, 422, 195, 53);
  connect(Button_InternetUpdate, &PictureControl::clicked, this,
          &TFormMain::Button_InternetUpdateClick);
  Label_CheckUpdate = new ClickLabel(page, "Label_CheckUpdate", 456, 420, 149, 61);
  StyleLabel(Label_CheckUpdate, QStringLiteral("Courier New"), 19, kWindowTextColour,
             Qt::AlignHCenter | Qt::AlignTop, true);
  Label_CheckUpdate->setText(QStringLiteral("Check Update"));
  Label_CheckUpdate->setCursor(Qt::PointingHandCursor);
  connect(Label_CheckUpdate, &ClickLabel::clicked, this, &TFormMain::Button_InternetUpdateClick);

  img_internet_status_text =
      new PictureControl(page, "img_internet_status_text", 615, 422, 200, 53);
  img_internet_status_icon = new PictureControl(page, "img_internet_status_icon", 832, 422, 54, 53);
  Label_InternetConnected = new ClickLabel(page, "Label_InternetConnected", 616, 424, 193, 49);
  StyleLabel(Label_InternetConnected, QStringLiteral("微软雅黑"), 19, kWindowColour,
             Qt::AlignHCenter | Qt::AlignTop, true);
  Label_InternetConnected->setCursor(Qt::ArrowCursor);
  Label_InternetConnected->SetLineSpacing(0.82);  // two-line captions stay on the plate

  for (ClickLabel* label :
       {Label_Upgrade, Label_Step1Part1, Label_Step1Part2, Label_Step2, Label_Step2Part2,
        Label_Step3, Label_Step3Part2, Label_InternetConnected}) {
    connect(label, &ClickLabel::clicked, this, &TFormMain::Label_InternetUpgradeClick);
  }
}

void TFormMain::StyleWindow() {
  // The three title-band buttons are invisible over the glyphs painted in the background;
  // a faint highlight answers the pointer.
  for (QPushButton* button : {SpeedButtonSetting, btn_minimize, SpeedButton4}) {
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background: transparent; border: none; }"
        "QPushButton:hover { background: rgba(255, 255, 255, 28); border-radius: 5px; }"
        "QPushButton:pressed { background: rgba(255, 255, 255, 56); border-radius: 5px; }"));
    button->setCursor(Qt::PointingHandCursor);
  }
  StyleLabel(Label_Status, QStringLiteral("MS Sans Serif"), 17, kDarkShadowColour,
             Qt::AlignLeft | Qt::AlignVCenter, false);
  if (Label_Status->text().isEmpty()) {
    Label_Status->setText(QStringLiteral("Please connect the device to the computer"));
  }
  // The page-0 emblem is a JPEG picture of the form.
  if (BitmapRef emblem = bitmapFactory->LoadBitmapA("jpg:image_bak1", false)) {
    Image_bak1->DrawBitmap(emblem, 0, 0, Image_bak1->width(), Image_bak1->height());
    bitmapFactory->FreeBitmap(emblem);
  }
}

void TFormMain::ActivateIfPresent(const char* name, const char* normal, const char* pressed) {
  if (auto* control = findChild<PictureControl*>(QString::fromLatin1(name))) {
    ActivateImageButton(*bitmapFactory, control, normal, pressed);
  }
}

void TFormMain::SetupSkin() {
  // 1. Qt draws every widget double-buffered.
  // 2. The picture factory.
  bitmapFactory = std::make_unique<TBitmapFactory>(QtResourceStore::Instance());
  bitmapFactory->cacheLimit = 16;
  StyleWindow();
  // 3. Tab pictures; the pages' controls move onto the window.
  SetupTabs();
  // 4. The gauge is a capsule (both ends semicircles) in the upgrade colours.
  if (auto* gauge = qobject_cast<GaugeBar*>(ProgressBar10)) {
    gauge->SetColours(QColor(0x08, 0x31, 0x5F), QColor(0x00, 0xEF, 0x60));
  }
  // 5. Picture buttons; those of later pages are activated once their pages build them.
  ActivateImageButton(*bitmapFactory, Button_InternetUpdate, "png:checkbtn_out", "png:checkbtn_dwn",
                      "png:checkbtn_ovr");
  ActivateIfPresent("imgbtn_print", "png:btn_print_normal", "png:btn_print_light");
  ActivateIfPresent("imgbtn_clear", "png:btn_clear_normal", "png:btn_clear_light");
  ActivateIfPresent("imgbtn_copy", "png:btn_copy_normal", "png:btn_copy_light");
  ActivateIfPresent("imgbtn_edit", "png:btn_edit_normal", "png:btn_edit_light");
  ActivateIfPresent("Button_Next", "png:button_next_enable", "png:button_next_disable");
  ActivateIfPresent("Button_Prev", "png:button_prev_enable", "png:button_prev_disable");
  // 6. The DTC page's frame.
  if (auto* frame = findChild<PictureControl*>(QStringLiteral("imgframe_dtclookup"))) {
    BitmapRef picture = bitmapFactory->LoadBitmapA("png:frame_dtclookup", false);
    frame->DrawBitmap(picture, 0, 0, frame->width(), frame->height());
    bitmapFactory->FreeBitmap(picture);
  }
  // 7. The background picture, kept for every paint.
  bkBitmap = bitmapFactory->LoadBitmapA("png:main", false);
  bkPixmap_ = QPixmap::fromImage(ToQImage(bkBitmap.get()), Qt::NoFormatConversion);
  // 8. The search box frame.    [DTC lookup: the search box's look plugs in here]
  ActivateIfPresent("Image1", "png:editsearch_frame", "png:editsearch_frame_edit");
  // 9. [report view: the text area's look plugs in here]
  // 10. [wave monitor: the chart set-up plugs in here]
  // 11.
  resize(kWindowWidth, kWindowHeight);
  // 12. The connectivity indicator starts out disconnected.
  UpdateInternetState(false);
}

void TFormMain::PaintBackground(QPainter& painter) {
  if (bkPixmap_.isNull()) {
    painter.fillRect(rect(), kBackgroundColour);
    return;
  }
  // Copied at the window's size, not scaled.
  painter.drawPixmap(0, 0, bkPixmap_, 0, 0, width(), height());
}

}  // namespace vortik
