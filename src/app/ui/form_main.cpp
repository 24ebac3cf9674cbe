#include "app/ui/form_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <utility>

#include "app/ui/developer_buttons.h"
#include "app/ui/main_menu.h"
#include "app/ui/manual_page.h"
#include "dtc/ui/dtc_page.h"
#include "feedback/ui/feedback_page.h"
#include "i18n/lang_table.h"
#include "i18n/ui/fonts.h"
#include "i18n/ui/lang_ui.h"
#include "print/ui/print_page.h"
#include "skin/ui/accessibility.h"
#include "skin/ui/click_label.h"
#include "skin/ui/message_box.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/qt_resource_store.h"
#include "skin/ui/skin_style.h"
#include "upgrade/ui/internet_upgrade_page.h"
#include "upgrade/ui/local_upgrade_page.h"

namespace vortik {

namespace {

constexpr int kWindowWidth = 960;
constexpr int kWindowHeight = 700;
constexpr int kDragBandHeight = 75;
// Every page covers the area below the tab row; the window's skin shows through it.
const QRect kPageArea(0, 156, 953, 492);

const QColor kDarkShadowColour(105, 105, 105);  // the system dark 3-D shadow colour
const QColor kBackgroundColour(2, 33, 81);

QPushButton* MakeFlatButton(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* button = new QPushButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(x, y, w, h);
  button->setFlat(true);
  // Reached by Tab, not focused by a click.
  button->setFocusPolicy(Qt::TabFocus);
  button->setCursor(Qt::ArrowCursor);
  return button;
}

}  // namespace

TFormMain::TFormMain(AppConfig config, Services services, QWidget* parent)
    : QWidget(parent), config_(std::move(config)), services_(std::move(services)) {
  // The language table is read once, first: the designed face names must resolve to the fonts
  // of its script before any control picks its font (done here so the window is right
  // whichever program builds it), and its texts become the captions below.
  const LanguageFiles languageFiles = ResolveLanguageFiles(config_.language);
  const LanguageTable table = LoadLanguageTable(languageFiles.texts, languageFiles.choice);
  InstallFontSubstitutions(table.langIndex);
  setObjectName(QStringLiteral("FormMain"));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);

  syncUart_ = std::make_unique<TSyncUart>();
  syncUart_->SetEventHost(this);
  syncUart_->fSetBaudRate(1000000);
  syncUart_->fSetParity(ptNONE);
  syncUart_->fSetDataBits(db8BITS);
  syncUart_->fSetStopBits(sb1BITS);

  bitmapFactory_ = std::make_unique<TBitmapFactory>(QtResourceStore::Instance());
  bitmapFactory_->cacheLimit = 16;

  BuildChrome();
  BuildTabRow();
  BuildPages();
  BuildKeyboard();

  resize(kWindowWidth, kWindowHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kWindowWidth / 2, kWindowHeight / 2));
  }
  setWindowTitle(QStringLiteral("VORTIK"));
  QApplication::setApplicationDisplayName(QStringLiteral("VORTIK"));
  StyleWindow();
  setFixedSize(kWindowWidth, kWindowHeight);

  LoadLanguageTexts(table);
  FitTabCaptions();
  printPage_->FitLabels();
  StartDeviceMonitor();
  ScanDevicePort();
}

TFormMain::~TFormMain() = default;

void TFormMain::BuildChrome() {
  // The menu button first: the first control of the window that Tab reaches.
  menuButton_ = new MainMenuButton(
      this, 774, 16,
      {[this] { ShowPage(PageId::kManual); }, [this] { ShowPage(PageId::kLocalUpgrade); },
       [this] { ShowAboutBox(this, state_.langText); }},
      state_.langText);
  SpeedButtonSetting = MakeFlatButton(this, "SpeedButtonSetting", 814, 16, 30, 30);
  btn_minimize = MakeFlatButton(this, "btn_minimize", 868, 20, 24, 23);
  SpeedButton4 = MakeFlatButton(this, "SpeedButton4", 920, 19, 24, 23);
  connect(SpeedButtonSetting, &QPushButton::clicked, this, &TFormMain::SpeedButtonSettingClick);
  connect(btn_minimize, &QPushButton::clicked, this, &TFormMain::btn_minimizeClick);
  connect(SpeedButton4, &QPushButton::clicked, this, &TFormMain::SpeedButton4Click);

  Label_Status = new QLabel(this);
  Label_Status->setObjectName(QStringLiteral("Label_Status"));
  Label_Status->setGeometry(16, 664, 905, 20);
  Label_Status->setAttribute(Qt::WA_TranslucentBackground);
  Label_Status->setWordWrap(false);
  // Read out as the window's status bar; its changes are announced.
  SetAccessibleRole(Label_Status, QAccessible::StatusBar);
}

void TFormMain::BuildPages() {
  TBitmapFactory& pictures = *bitmapFactory_;
  internetUpgradePage_ = new InternetUpgradePage(this, *this, *syncUart_, pictures, config_);
  printPage_ = new PrintPage(this, *this, *syncUart_, pictures, config_.demoPushOnPrintTab);
  dtcLookupPage_ = new DtcLookupPage(this, *this, pictures);
  feedbackPage_ = new FeedbackPage(this, *this, config_.feedbackServer);
  manualPage_ = new ManualPage(this, *this);
  localUpgradePage_ = new LocalUpgradePage(this, *this, *syncUart_);
  pages_ = {internetUpgradePage_, printPage_,  dtcLookupPage_,
            feedbackPage_,        manualPage_, localUpgradePage_};
  for (QWidget* page : pages_) page->setGeometry(kPageArea);
  RoutePage(PageId::kInternetUpgrade);

  connect(internetUpgradePage_, &InternetUpgradePage::textClicked, this,
          &TFormMain::Label_InternetUpgradeClick);
  new DeveloperButtons(this, config_.legacyServer);
}

void TFormMain::StyleWindow() {
  // The three title-band buttons are invisible over the glyphs painted in the background;
  // a faint highlight answers the pointer.
  for (QPushButton* button : {SpeedButtonSetting, btn_minimize, SpeedButton4}) {
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background: transparent; border: none; }"
        "QPushButton:hover { background: rgba(255, 255, 255, 28); border-radius: 5px; }"
        "QPushButton:pressed { background: rgba(255, 255, 255, 56); border-radius: 5px; }"
        "QPushButton:focus { border: 2px solid #00ef60; border-radius: 5px; }"));
    button->setCursor(Qt::PointingHandCursor);
  }
  // The scroll bars of the lists and text areas in the skin's blues.
  setStyleSheet(SkinScrollBarStyle());
  StyleLabel(Label_Status, QStringLiteral("MS Sans Serif"), 17, kDarkShadowColour,
             Qt::AlignLeft | Qt::AlignVCenter, false);
  if (Label_Status->text().isEmpty()) {
    Label_Status->setText(QStringLiteral("Please connect the device to the computer"));
  }
  for (int i = 0; i < kTabCount; ++i) DrawTabPicture(i, i == state_.curTab);
  // Only the pixmap is kept: the decoded bitmap goes once it has been converted.
  bkPixmap_ = SkinPixmap(bitmapFactory_->LoadBitmapA("png:main", false).get());
}

void TFormMain::LoadLanguageTexts(const LanguageTable& table) {
  ApplyLanguageTexts(this, state_, table);
  SetCaption(Label_Status, state_.langText[TextId::LabelStatus]);
  internetUpgradePage_->ApplyLanguage();
}

// --- pages ------------------------------------------------------------------------------------

void TFormMain::RoutePage(PageId page) {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (static_cast<PageId>(i) != page) pages_[i]->hide();
  }
  pages_[static_cast<size_t>(page)]->show();
  currentPage_ = page;
}

void TFormMain::ShowPage(PageId page) {
  const int index = static_cast<int>(page);
  if (index < kTabCount) {
    SwitchTabImgBtn(index);
    return;
  }
  if (state_.upgradeMode != kUpgradeIdle || index == state_.curTab) return;
  // No tab is current while a page outside the tab row shows.
  if (state_.curTab >= 0 && state_.curTab < kTabCount) ShowTabCurrent(state_.curTab, false);
  RoutePage(page);
  state_.curTab = index;
  ApplyTabTimers();
}

// --- Host -------------------------------------------------------------------------------------

void TFormMain::SetStatusText(const std::string& utf8) {
  if (curStatusLabel_ == nullptr) return;
  // Once the tool has gone the status line keeps saying so: the steps of a run that goes on
  // without it (until its reads time out) are not what the user needs to see.
  if (curStatusLabel_ == Label_Status && !syncUart_->Active()) return;
  curStatusLabel_->setText(QString::fromStdString(utf8));
}

void TFormMain::SetGaugeMax(int max) {
  if (curGauge_ != nullptr) curGauge_->setMaximum(max);
}

void TFormMain::SetGaugePos(int pos) {
  if (curGauge_ != nullptr) curGauge_->setValue(pos);
}

void TFormMain::ShowMessage(const std::string& utf8) {
  // During a run a message is its outcome (or the failure of a step): the status line shows it
  // instead of the step that led to it.
  if (state_.upgradeMode != kUpgradeIdle) SetStatusText(utf8);
  ShowMessageBox(this, QString::fromStdString(utf8));
  // Outside a run a message ends a device command (or says something of its own); the
  // command's step is over, so the status line shows the connection again.
  if (state_.upgradeMode == kUpgradeIdle) ShowConnectionStatus();
}

void TFormMain::ProcessEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// --- timers -----------------------------------------------------------------------------------

void TFormMain::UpdateInternetState(bool connected) {
  internetUpgradePage_->UpdateInternetState(connected);
}

// --- chrome -----------------------------------------------------------------------------------

void TFormMain::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (bkPixmap_.isNull()) {
    painter.fillRect(rect(), kBackgroundColour);
    return;
  }
  // At the window's size, in the screen's resolution.
  bkPixmap_.Draw(painter);
}

void TFormMain::mousePressEvent(QMouseEvent* event) {
  // Left button in the top band moves the window like a caption drag.
  if (event->button() == Qt::LeftButton && event->position().y() < kDragBandHeight) {
    if (QWindow* window = windowHandle()) window->startSystemMove();
    return;
  }
  QWidget::mousePressEvent(event);
}

void TFormMain::mouseMoveEvent(QMouseEvent* event) {
  setCursor(event->position().y() < kDragBandHeight ? Qt::PointingHandCursor : Qt::ArrowCursor);
  QWidget::mouseMoveEvent(event);
}

void TFormMain::btn_minimizeClick() {
  showMinimized();
}

void TFormMain::SpeedButton4Click() {
  close();
}

void TFormMain::SpeedButtonSettingClick() {
  QDialog* form1 = form1_ ? form1_() : nullptr;
  if (form1 != nullptr) form1->exec();
}

bool TFormMain::FormCloseQuery() {
  // Closing never asks; work in progress sees the flag at its next check and stops.
  state_.appClosing = true;
  return true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery()) {
    event->accept();
    // Handlers may still be on the stack (a burn or download waiting): only end the loop;
    // the window is destroyed by the entry after the loop has returned.
    QCoreApplication::exit(0);
  } else {
    event->ignore();
  }
}

}  // namespace vortik
