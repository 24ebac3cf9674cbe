#include "upgrade/ui/internet_upgrade_page.h"

#include <QTimer>

#include "base/host.h"
#include "i18n/ui/lang_ui.h"
#include "platform/connectivity.h"
#include "skin/bitmap_factory.h"
#include "skin/ui/accessibility.h"
#include "skin/ui/click_label.h"
#include "skin/ui/gauge_bar.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/text_fit.h"
#include "skin/ui/timers.h"
#include "upgrade/internet_upgrade.h"

namespace vortik {

namespace {

constexpr const char* kPageIcon = "jpg:image_bak1";
constexpr const char* kCheckUpdateNormal = "png:checkbtn_out";
const QColor kWindowColour(255, 255, 255);  // the system window colour
const QColor kWindowTextColour(0, 0, 0);    // the system window-text colour

ClickLabel* MakeStepLabel(QWidget* page, const char* name, int x, int y, int w, int h,
                          int pixelSize, const char* text) {
  auto* label = new ClickLabel(page, name, x, y, w, h);
  StyleLabel(label, QStringLiteral("微软雅黑"), pixelSize, kWindowColour,
             Qt::AlignLeft | Qt::AlignVCenter, true);
  label->setText(QString::fromUtf8(text));
  return label;
}

// The designed size of the two captions on the button and the plate, and the smallest a long
// translation shrinks them to.
constexpr int kCaptionPixelSize = 19;
constexpr int kSmallestCaptionPixelSize = 12;
// The smallest size of the step texts (designed at 20 and 21 pixels).
constexpr int kSmallestStepPixelSize = 13;

}  // namespace

// The indicator's pictures, caption and timers as the indicator logic asks for them.
class InternetUpgradePage::IndicatorWidgets : public IndicatorView {
 public:
  explicit IndicatorWidgets(InternetUpgradePage& page) : page_(page) {}

  void DrawPlateAndIcon(const char* platePicture, const char* iconPicture) override {
    page_.img_internet_status_text->DrawPicture(page_.pictures_, platePicture, true);
    page_.img_internet_status_icon->DrawPicture(page_.pictures_, iconPicture, true);
  }

  void DrawIcon(const char* iconPicture) override {
    page_.img_internet_status_icon->DrawPicture(page_.pictures_, iconPicture, true);
  }

  void SetPollInterval(int ms) override { page_.TimerCheckInternet->setInterval(ms); }

  void SetBlinking(bool on) override { SetTimerRunning(page_.TimerAnimator, on); }

  void SetCaption(const std::string& utf8) override {
    page_.Label_InternetConnected->setText(QString::fromStdString(utf8));
  }

  void PlaceCaption(bool /*connected*/) override { page_.FitInternetCaption(); }

 private:
  InternetUpgradePage& page_;
};

InternetUpgradePage::InternetUpgradePage(QWidget* window, Host& host, TSyncUart& uart,
                                         TBitmapFactory& pictures, const AppConfig& config)
    : QWidget(window), host_(host), uart_(uart), pictures_(pictures), config_(config) {
  setObjectName(QStringLiteral("TabSheet_InternetUpgrade"));
  setAttribute(Qt::WA_TranslucentBackground);
  TimerCheckInternet = MakeTimer(this, "TimerCheckInternet", 1000, true);
  TimerAnimator = MakeTimer(this, "TimerAnimator", 800, false);
  connect(TimerCheckInternet, &QTimer::timeout, this, &InternetUpgradePage::PollInternet);
  connect(TimerAnimator, &QTimer::timeout, this, &InternetUpgradePage::BlinkInternetIcon);
  BuildControls();

  Image_bak1->DrawPicture(pictures_, kPageIcon, false);
  ActivateImageButton(pictures_, Button_InternetUpdate, kCheckUpdateNormal, "png:checkbtn_dwn",
                      "png:checkbtn_ovr");
  UpdateInternetState(false);
}

InternetUpgradePage::~InternetUpgradePage() = default;

std::vector<std::string> InternetUpgradePage::FirstPictures() {
  return {kPageIcon, kCheckUpdateNormal, kPlateDisconnected, kIconDisconnected};
}

void InternetUpgradePage::BuildControls() {
  Image_bak1 = new PictureControl(this, "Image_bak1", 22, 58, 50, 50);
  Label_Upgrade = MakeStepLabel(this, "Label_Upgrade", 80, 69, 249, 28, 21, "Upgrade");
  Label_Step1Part1 = MakeStepLabel(this, "Label_Step1Part1", 80, 110, 785, 25, 20,
                                   "Step 1: Press and hold down the \"OK\" key on the Scan Tool");
  Label_Step1Part2 = MakeStepLabel(this, "Label_Step1Part2", 160, 150, 689, 25, 20,
                                   "while plugging in the usb cable from the PC");
  Label_Step2 =
      MakeStepLabel(this, "Label_Step2", 80, 190, 793, 25, 20,
                    "Step 2: Verify that the Scan Tool's screen indicates \"Update Mode\"");
  Label_Step2Part2 = MakeStepLabel(this, "Label_Step2Part2", 160, 232, 713, 25, 20, "");
  Label_Step3 = MakeStepLabel(this, "Label_Step3", 80, 272, 761, 25, 20,
                              "Step 3: Click \"Check Update\" to start the upgrade process");
  Label_Step3Part2 = MakeStepLabel(this, "Label_Step3Part2", 80, 320, 681, 25, 20, "");

  PanelGauge = new QWidget(this);
  PanelGauge->setObjectName(QStringLiteral("PanelGauge"));
  PanelGauge->setGeometry(64, 356, 828, 45);
  PanelGauge->setAttribute(Qt::WA_TranslucentBackground);
  // A capsule (both ends semicircles) in the upgrade colours.
  auto* gauge = new GaugeBar(PanelGauge);
  gauge->setObjectName(QStringLiteral("ProgressBar10"));
  gauge->setGeometry(0, 0, 828, 45);
  gauge->setRange(0, 100);
  gauge->setValue(0);
  gauge->SetColours(QColor(0x08, 0x31, 0x5F), QColor(0x00, 0xEF, 0x60));
  ProgressBar10 = gauge;

  Button_InternetUpdate = new PictureControl(this, "Button_InternetUpdate", 376, 422, 195, 53);
  connect(Button_InternetUpdate, &PictureControl::clicked, this,
          &InternetUpgradePage::Button_InternetUpdateClick);
  // The caption lies on the button's face right of its icon and lets the mouse through, so the
  // whole button shows its hover and pressed looks and takes the click.
  Label_CheckUpdate = new ClickLabel(this, "Label_CheckUpdate", 428, 425, 136, 47);
  StyleLabel(Label_CheckUpdate, QStringLiteral("微软雅黑"), kCaptionPixelSize, kWindowTextColour,
             Qt::AlignCenter, true);
  Label_CheckUpdate->SetLineSpacing(0.82);  // two-line captions stay on the button's face
  Label_CheckUpdate->setText(QStringLiteral("Check Update"));
  Label_CheckUpdate->setAttribute(Qt::WA_TransparentForMouseEvents);
  MakeSkinButton(Button_InternetUpdate, ButtonRole::kPushButton, Label_CheckUpdate);
  SetFocusRingRadius(Button_InternetUpdate, 23);

  img_internet_status_text =
      new PictureControl(this, "img_internet_status_text", 615, 422, 200, 53);
  img_internet_status_icon = new PictureControl(this, "img_internet_status_icon", 832, 422, 54, 53);
  // The caption is centred on the plate (one line or two).
  Label_InternetConnected = new ClickLabel(this, "Label_InternetConnected", 621, 423, 188, 51);
  StyleLabel(Label_InternetConnected, QStringLiteral("微软雅黑"), kCaptionPixelSize, kWindowColour,
             Qt::AlignCenter, true);
  Label_InternetConnected->setCursor(Qt::ArrowCursor);
  Label_InternetConnected->SetLineSpacing(0.82);  // two-line captions stay on the plate
  // Pictures only: the plate's caption says what they show.
  for (QWidget* picture : {Image_bak1, img_internet_status_text, img_internet_status_icon}) {
    HideFromAssistiveTech(picture);
  }

  for (ClickLabel* label :
       {Label_Upgrade, Label_Step1Part1, Label_Step1Part2, Label_Step2, Label_Step2Part2,
        Label_Step3, Label_Step3Part2, Label_InternetConnected}) {
    connect(label, &ClickLabel::clicked, this, &InternetUpgradePage::textClicked);
  }
}

void InternetUpgradePage::Button_InternetUpdateClick() {
  RunInternetUpgrade(host_, uart_, catalogue_, config_);
}

void InternetUpgradePage::SetUpgradeEnabled(bool enabled) {
  Button_InternetUpdate->setEnabled(enabled);
  Label_CheckUpdate->setEnabled(enabled);
}

QProgressBar* InternetUpgradePage::Gauge() const {
  return ProgressBar10;
}

void InternetUpgradePage::UpdateInternetState(bool connected) {
  IndicatorWidgets view(*this);
  indicator_.Update(connected, host_.state(), view);
}

void InternetUpgradePage::PollInternet() {
  IndicatorWidgets view(*this);
  indicator_.Poll(
      [this] { return platform::HasNetworkConnection(config_.loopbackCountsAsConnected); },
      host_.state(), view);
}

void InternetUpgradePage::BlinkInternetIcon() {
  IndicatorWidgets view(*this);
  indicator_.Blink(view);
}

void InternetUpgradePage::SetCurrent(bool current) {
  SetTimerRunning(TimerAnimator, current && host_.state().internetConnected);
  SetTimerRunning(TimerCheckInternet, current);
}

void InternetUpgradePage::ApplyLanguage() {
  const MainState& state = host_.state();
  // The step texts start from their size for this language (some languages set a smaller one).
  for (ClickLabel* step : {Label_Upgrade, Label_Step1Part1, Label_Step1Part2, Label_Step2,
                           Label_Step2Part2, Label_Step3, Label_Step3Part2}) {
    FitLabelText(step, step->font().pixelSize(), kSmallestStepPixelSize);
  }
  FitLabelText(Label_CheckUpdate, kCaptionPixelSize, kSmallestCaptionPixelSize);
  SetCaption(Label_InternetConnected, state.langText[TextId::LabelInternetDisconnected]);
  FitInternetCaption();
}

void InternetUpgradePage::FitInternetCaption() {
  FitLabelText(Label_InternetConnected, kCaptionPixelSize, kSmallestCaptionPixelSize);
}

}  // namespace vortik
