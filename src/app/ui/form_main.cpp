#include "app/ui/form_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <system_error>
#include <utility>

#include "app/ui/developer_buttons.h"
#include "app/ui/main_menu.h"
#include "app/ui/manual_page.h"
#include "device/port_discovery.h"
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
#include "skin/ui/title_band.h"
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
  bitmapFactory_ = std::make_unique<TBitmapFactory>(QtResourceStore::Instance());
  // Room for every picture of the skin (about thirty button and tab faces, under a megabyte
  // decoded; the counted decodes include the few drawn once uncached): a picture is decoded
  // when its page first needs it and is kept, never decoded again.
  bitmapFactory_->cacheLimit = 48;
  bitmapFactory_->decodeDoubled = config_.doubledPictures || devicePixelRatioF() > 1;
  // The pictures of the first paint decode on a worker thread, in the order they are drawn,
  // while the language table is read, the fonts are loaded and the first page is built; the
  // background, by far the largest, comes last.
  const std::vector<std::string> pagePictures = InternetUpgradePage::FirstPictures();
  std::vector<std::string> firstPictures;
  firstPictures.reserve(kTabCount + pagePictures.size() + 1);
  for (int i = 0; i < kTabCount; ++i) {
    firstPictures.push_back(TabPictureName(i, i == state_.curTab));
  }
  firstPictures.insert(firstPictures.end(), pagePictures.begin(), pagePictures.end());
  firstPictures.push_back(kBackgroundPicture);
  bitmapFactory_->Prefetch(firstPictures);

  // The language table is read once, first: the designed face names must resolve to the fonts
  // of its script before any control picks its font (done here so the window is right
  // whichever program builds it), and its texts become the captions below and those of each
  // page built later.
  const LanguageFiles languageFiles = ResolveLanguageFiles(config_.language);
  language_ =
      std::make_unique<LanguageTable>(LoadLanguageTable(languageFiles.texts, languageFiles.choice));
  InstallFontSubstitutions(language_->langIndex);
  setObjectName(QStringLiteral("FormMain"));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_OpaquePaintEvent);
  new TitleBandDrag(this, kDragBandHeight);

  syncUart_ = std::make_unique<TSyncUart>();
  syncUart_->SetEventHost(this);
  syncUart_->fSetBaudRate(1000000);
  syncUart_->fSetParity(ptNONE);
  syncUart_->fSetDataBits(db8BITS);
  syncUart_->fSetStopBits(sb1BITS);

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
  // The largest picture's conversion (a few milliseconds) runs on a thread of its own while
  // the captions are fitted and the window is shown; only the pixmap is kept, the decoded
  // bitmap goes once the pixmap is made.
  const auto convert = [background = bitmapFactory_->LoadBitmapA(kBackgroundPicture, false)] {
    return ToSkinImages(background.get());
  };
  try {
    bkImages_ = std::async(std::launch::async, convert);
  } catch (const std::system_error&) {
    bkImages_ = std::async(std::launch::deferred, convert);  // no thread: at the first paint
  }
  setFixedSize(kWindowWidth, kWindowHeight);

  ApplyLanguage(*language_);
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

// Only the first page is built with the window: the others (their controls, pictures, the DTC
// table and the chart) would cost start-up time and memory for pages the user may never open.
void TFormMain::BuildPages() {
  internetUpgradePage_ = new InternetUpgradePage(this, *this, *syncUart_, *bitmapFactory_, config_);
  pages_[static_cast<size_t>(PageId::kInternetUpgrade)] = internetUpgradePage_;
  internetUpgradePage_->setGeometry(kPageArea);
  RoutePage(PageId::kInternetUpgrade);

  connect(internetUpgradePage_, &InternetUpgradePage::textClicked, this,
          &TFormMain::Label_InternetUpgradeClick);
  new DeveloperButtons(this, config_.legacyServer);
}

void TFormMain::StyleScrollBars() {
  // The scroll bars of the lists and text areas in the skin's blues. The first page has none,
  // and every control of the window is polished against a window's style, so it is set after
  // the first paint or before another page is built, whichever comes first; pages and dialogs
  // made later take it as they are made.
  if (scrollBarsStyled_) return;
  scrollBarsStyled_ = true;
  setStyleSheet(SkinScrollBarStyle());
}

void TFormMain::BuildPage(PageId id) {
  if (id != PageId::kInternetUpgrade) StyleScrollBars();
  TBitmapFactory& pictures = *bitmapFactory_;
  QWidget* built = nullptr;
  switch (id) {
    case PageId::kInternetUpgrade:
      return;  // built with the window
    case PageId::kPrint:
      built = printPage_ =
          new PrintPage(this, *this, *syncUart_, pictures, config_.demoPushOnPrintTab);
      break;
    case PageId::kDtcLookup:
      built = dtcLookupPage_ = new DtcLookupPage(this, *this, pictures);
      break;
    case PageId::kFeedback:
      built = feedbackPage_ = new FeedbackPage(this, *this, config_.feedbackServer);
      break;
    case PageId::kManual:
      built = manualPage_ = new ManualPage(this, *this);
      break;
    case PageId::kLocalUpgrade:
      built = localUpgradePage_ = new LocalUpgradePage(this, *this, *syncUart_);
      localUpgradePage_->ShowUpgradeMode(state_.upgradeMode, UpgradeEnabled());
      break;
  }
  built->hide();
  built->setGeometry(kPageArea);
  pages_[static_cast<size_t>(id)] = built;
  ApplyLanguageTexts(built, state_, *language_);
  FitPageCaptions(id);
  Q_EMIT pageBuilt(id);
}

QWidget* TFormMain::page(PageId id) {
  if (builtPage(id) == nullptr) BuildPage(id);
  return builtPage(id);
}

PrintPage* TFormMain::printPage() {
  page(PageId::kPrint);
  return printPage_;
}

LocalUpgradePage* TFormMain::localUpgradePage() {
  page(PageId::kLocalUpgrade);
  return localUpgradePage_;
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
  StyleLabel(Label_Status, QStringLiteral("MS Sans Serif"), 17, kDarkShadowColour,
             Qt::AlignLeft | Qt::AlignVCenter, false);
  if (Label_Status->text().isEmpty()) {
    Label_Status->setText(QStringLiteral("Please connect the device to the computer"));
  }
  for (int i = 0; i < kTabCount; ++i) DrawTabPicture(i, i == state_.curTab);
}

void TFormMain::ApplyLanguage(const LanguageTable& table) {
  if (&table != language_.get()) *language_ = table;
  InstallFontSubstitutions(language_->langIndex);
  // The window's tree holds the frame, the tab row and every page built so far.
  ApplyLanguageTexts(this, state_, *language_);
  FitTabCaptions();
  for (int i = 0; i < kPageCount; ++i) {
    if (builtPage(static_cast<PageId>(i)) != nullptr) FitPageCaptions(static_cast<PageId>(i));
  }
  // A run's steps keep the status line; between runs it says again where the tool is, now in
  // this language (the language's prompt until the first search).
  if (state_.upgradeMode != kUpgradeIdle) return;
  SetCaption(Label_Status, state_.langText[TextId::LabelStatus]);
  if (connectionStatus_.isEmpty()) return;
  SetConnectionStatus(QString::fromStdString(
                          state_.comPort > 0 ? ConnectedStatusText(state_.langText, state_.comPort)
                                             : state_.langText[TextId::LabelStatus]),
                      connectionToolTip_);
}

void TFormMain::FitPageCaptions(PageId id) {
  if (id == PageId::kInternetUpgrade) internetUpgradePage_->ApplyLanguage();
  if (id == PageId::kPrint) printPage_->FitLabels();
}

// --- pages ------------------------------------------------------------------------------------

void TFormMain::RoutePage(PageId id) {
  QWidget* shown = page(id);
  for (QWidget* other : pages_) {
    if (other != nullptr && other != shown) other->hide();
  }
  shown->show();
  currentPage_ = id;
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
  ShowStatusText(curStatusLabel_, QString::fromStdString(utf8));
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
  if (!scrollBarsStyled_) QTimer::singleShot(0, this, &TFormMain::StyleScrollBars);
  if (bkImages_.valid()) bkPixmap_ = SkinPixmap(bkImages_.get());
  QPainter painter(this);
  if (bkPixmap_.isNull()) {
    painter.fillRect(rect(), kBackgroundColour);
    return;
  }
  // At the window's size, in the screen's resolution.
  bkPixmap_.Draw(painter);
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
