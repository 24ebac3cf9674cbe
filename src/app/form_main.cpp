#include "app/form_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "app/message_box.h"
#include "i18n/fonts.h"
#include "views/print_panel.h"

namespace vortik {

namespace {
constexpr int kWindowWidth = 960;
constexpr int kWindowHeight = 700;
constexpr int kDragBandHeight = 75;

QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(x, y, w, h);
  label->setAttribute(Qt::WA_TranslucentBackground);
  return label;
}

QPushButton* MakeFlatButton(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* button = new QPushButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(x, y, w, h);
  button->setFlat(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setCursor(Qt::ArrowCursor);
  return button;
}

QTimer* MakeTimer(QObject* parent, const char* name, int intervalMs, bool enabled) {
  auto* timer = new QTimer(parent);
  timer->setObjectName(QString::fromLatin1(name));
  timer->setInterval(intervalMs);
  if (enabled) timer->start();
  return timer;
}
}  // namespace

TFormMain::TFormMain(QWidget* parent) : QWidget(parent) {
  // The designed face names resolve to installed fonts before any control picks its font;
  // done here so the window is right whichever program builds it (once per process).
  InstallFontSubstitutions();
  // 1. Components from the form description.
  BuildComponents();
  // 2. The 48 run-time texts start empty (MainState's start value).
  // 3. Sockets need no library start-up here.
  // 4. Shared state start values are MainState's defaults.
  // 5. The serial port: 1,000,000 baud, 8N1, not opened yet.
  syncUart = std::make_unique<TSyncUart>();
  syncUart->fSetBaudRate(1000000);
  syncUart->fSetParity(ptNONE);
  syncUart->fSetDataBits(db8BITS);
  syncUart->fSetStopBits(sb1BITS);
  // 6. Timers.
  UartReadTimer = MakeTimer(this, "UartReadTimer", 100, false);
  state_.reportCodePage = 28605;
  TimerCheckInternet = MakeTimer(this, "TimerCheckInternet", 1000, true);
  TimerAnimator = MakeTimer(this, "TimerAnimator", 800, false);
  TimerMonitorWaveRecv = MakeTimer(this, "TimerMonitorWaveRecv", 1000, false);
  connect(UartReadTimer, &QTimer::timeout, this, &TFormMain::UartReadTimerTimer);
  connect(TimerCheckInternet, &QTimer::timeout, this, &TFormMain::TimerCheckInternetTimer);
  connect(TimerAnimator, &QTimer::timeout, this, &TFormMain::TimerAnimatorTimer);
  connect(TimerMonitorWaveRecv, &QTimer::timeout, this, &TFormMain::TimerMonitorWaveRecvTimer);
  // 7. Wave capture buffer: MainState's defaults (8192 bytes, length 0, restart pending).
  // 8. DTC list and its first page.  [DTC lookup plugs in here]
  // 9. Manual list.                  [manual browser plugs in here]
  // 10. Local-upgrade gauges over their path boxes.
  PlaceLocalUpgradeGauges();
  BindLocalUpgrade();
  // 11. Centre on the screen; caption "VORTIK".
  resize(kWindowWidth, kWindowHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kWindowWidth / 2, kWindowHeight / 2));
  }
  setWindowTitle(QStringLiteral("VORTIK"));
  QApplication::setApplicationDisplayName(QStringLiteral("VORTIK"));
  // 12. Skin and layout.
  SetupSkin();
  printPanel->AttachSkin(bitmapFactory.get());
  printPanel->SetCaptureTimerSwitch([this](bool run) {
    if (!run) {
      TimerMonitorWaveRecv->stop();
    } else if (!TimerMonitorWaveRecv->isActive()) {
      TimerMonitorWaveRecv->start();
    }
  });
  setFixedSize(kWindowWidth, kWindowHeight);
  // 13. Language texts.
  LoadLanguageTexts();
  FitTabCaptions();
  printPanel->FitLabels();
  // 14. Find the tool and open its port; scan again whenever tty devices come or go.
  StartDeviceMonitor();
  ScanDevicePort();
}

TFormMain::~TFormMain() = default;

void TFormMain::BuildComponents() {
  setObjectName(QStringLiteral("FormMain"));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);

  SpeedButtonSetting = MakeFlatButton(this, "SpeedButtonSetting", 814, 16, 30, 30);
  btn_minimize = MakeFlatButton(this, "btn_minimize", 868, 20, 24, 23);
  SpeedButton4 = MakeFlatButton(this, "SpeedButton4", 920, 19, 24, 23);
  connect(SpeedButtonSetting, &QPushButton::clicked, this, &TFormMain::SpeedButtonSettingClick);
  connect(btn_minimize, &QPushButton::clicked, this, &TFormMain::btn_minimizeClick);
  connect(SpeedButton4, &QPushButton::clicked, this, &TFormMain::SpeedButton4Click);

  Label_Status = MakeLabel(this, "Label_Status", 16, 664, 905, 20);
  Label_Status->setWordWrap(false);

  Button_Test1 = new QPushButton(QStringLiteral("Test1"), this);
  Button_Test1->setObjectName(QStringLiteral("Button_Test1"));
  Button_Test1->setGeometry(480, 24, 75, 25);
  Button_Test1->hide();
  Button_Test2 = new QPushButton(QStringLiteral("Test2"), this);
  Button_Test2->setObjectName(QStringLiteral("Button_Test2"));
  Button_Test2->setGeometry(568, 24, 75, 25);
  Button_Test2->hide();

  // The four tab pictures and their captions (shown by the skin).
  BuildTabRow();

  // The page container keeps its designed bounds until the skin moves and hides it.
  PageControl_Main = new QWidget(this);
  PageControl_Main->setObjectName(QStringLiteral("PageControl_Main"));
  PageControl_Main->setGeometry(8, 100, 961, 520);
  auto makePage = [this](const char* name) {
    auto* page = new QWidget(PageControl_Main);
    page->setObjectName(QString::fromLatin1(name));
    page->setGeometry(4, 27, 953, 492);  // the client area below the container's tab strip
    page->setAttribute(Qt::WA_TranslucentBackground);
    page->hide();
    return page;
  };
  TabSheet_InternetUpgrade = makePage("TabSheet_InternetUpgrade");
  TabSheetPrint = makePage("TabSheetPrint");
  TabSheet3 = makePage("TabSheet3");
  Feedback = makePage("Feedback");
  TabSheet_Manual = makePage("TabSheet_Manual");
  TabSheet_LocalUpgrade = makePage("TabSheet_LocalUpgrade");
  TabSheet_InternetUpgrade->show();
  printPanel = new PrintPanel(TabSheetPrint, state_);
  BuildLocalUpgradePage();

  BuildPage0();
}

void TFormMain::AttachDialogs(QDialog* form1, QDialog* form2, QDialog* form4) {
  form1_ = form1;
  form2_ = form2;
  form4_ = form4;
}

// --- Host -------------------------------------------------------------------------------------

void TFormMain::SetStatusText(const std::string& utf8) {
  if (curStatusLabel != nullptr) curStatusLabel->setText(QString::fromStdString(utf8));
}

void TFormMain::SetGaugeMax(int max) {
  if (curGauge != nullptr) curGauge->setMaximum(max);
}

void TFormMain::SetGaugePos(int pos) {
  if (curGauge != nullptr) curGauge->setValue(pos);
}

void TFormMain::ShowMessage(const std::string& utf8) {
  ShowMessageBox(this, QString::fromStdString(utf8));
}

void TFormMain::ProcessEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// SetUpgradeMode and ScanDevicePort live with the device link (src/device/form_main_device.cpp).

// Button_InternetUpdateClick lives with the internet upgrade
// (src/upgrade/form_main_internet_upgrade.cpp).

// --- chrome -----------------------------------------------------------------------------------

void TFormMain::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  PaintBackground(painter);
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
  if (form1_ != nullptr) form1_->exec();
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

// --- timers (their handlers arrive with their subsystems) ------------------------------------

void TFormMain::UartReadTimerTimer() {
  printPanel->UartReadTimerTimer(*syncUart);
}

void TFormMain::TimerMonitorWaveRecvTimer() {
  printPanel->TimerMonitorWaveRecvTimer();
}

}  // namespace vortik
