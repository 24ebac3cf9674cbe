// TFormMain's device link: the Local Upgrade page's controls, the upgrade mode switch, port
// discovery with hot-plug, and the ID/version buttons.
#include <QGroupBox>
#include <QLineEdit>
#include <QSocketNotifier>

#include <cstdio>
#include <memory>

#include "app/form_main.h"
#include "app/message_box.h"
#include "base/app_config.h"
#include "device/ask_string.h"
#include "device/device_commands.h"
#include "device/port_discovery.h"
#include "i18n/msg.h"
#include "platform/device_enum.h"
#include "platform/folders.h"
#include "upgrade/burn_engine.h"
#include "upgrade/downloads.h"
#include "upgrade/update_server.h"

namespace vortik {

namespace {

constexpr int kPrintTab = 1;

// Watches a device change source on the event loop and rescans when a device comes or goes.
class DeviceChangeWatcher : public QObject {
 public:
  DeviceChangeWatcher(TFormMain* form, std::unique_ptr<platform::DeviceChangeSource> monitor)
      : QObject(form), monitor_(std::move(monitor)) {
    notifier_ = new QSocketNotifier(monitor_->fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this, form] {
      if (monitor_->TakeChanges()) form->ScanDevicePort();
    });
  }

 private:
  std::unique_ptr<platform::DeviceChangeSource> monitor_;
  QSocketNotifier* notifier_ = nullptr;
};

// The demo's emulated tool: its link is listed as the tool while it exists, for as long as the
// window lives.
class DemoToolLink : public QObject {
 public:
  DemoToolLink(QObject* parent, const std::string& link)
      : QObject(parent), lister_(link, kToolVendorId, kToolProductId) {
    platform::SetDeviceLister(&lister_);
  }
  ~DemoToolLink() override { platform::SetDeviceLister(nullptr); }

 private:
  platform::LinkDeviceLister lister_;
};

// Device bytes (type, versions, ID) are 8-bit text; shown as Latin-1.
std::string ShownText(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
}

}  // namespace

// --- construction -----------------------------------------------------------------------------

void TFormMain::BuildLocalUpgradePage() {
  QWidget* page = TabSheet_LocalUpgrade;
  // The captions' question marks are the product's own text ("?" "?" split so that no pair
  // of them reads as a trigraph).
  const char* captions[3] = {
      "Upgrade MCU (?"
      "?MCU?"
      "?)",
      "Upgrade FLASH (?"
      "?"
      "?"
      "?Flash?"
      "?,?"
      "?LOGO)",
      "Upgrade LOGO or LOGO+FLASH"};
  QGroupBox** boxes[3] = {&GroupBox_Upgrade1, &GroupBox_Upgrade2, &GroupBox_Upgrade3};
  QLineEdit** edits[3] = {&Edit_UpgradePath1, &Edit_UpgradePath2, &Edit_UpgradePath3};
  QPushButton** selects[3] = {&Button_UpgradeSelect1, &Button_UpgradeSelect2,
                              &Button_UpgradeSelect3};
  QPushButton** updates[3] = {&Button_LocalUpgrade1, &Button_LocalUpgrade2, &Button_LocalUpgrade3};
  QLabel** labels[3] = {&Label_UpdateStatus1, &Label_UpdateStatus2, &Label_UpdateStatus3};
  QProgressBar** gauges[3] = {&ProgressBar1, &ProgressBar2, &ProgressBar3};
  for (int i = 0; i < 3; ++i) {
    const QString n = QString::number(i + 1);
    auto* box = new QGroupBox(QString::fromUtf8(captions[i]), page);
    box->setObjectName(QStringLiteral("GroupBox_Upgrade") + n);
    box->setGeometry(24, 16 + i * 120, 600, 104);
    auto* edit = new QLineEdit(box);
    edit->setObjectName(QStringLiteral("Edit_UpgradePath") + n);
    edit->setReadOnly(true);
    edit->setGeometry(16, 32, 384, 24);
    auto* select = new QPushButton(QStringLiteral("Select file"), box);
    select->setObjectName(QStringLiteral("Button_UpgradeSelect") + n);
    select->setGeometry(408, 30, 84, 28);
    auto* update = new QPushButton(QStringLiteral("Update"), box);
    update->setObjectName(QStringLiteral("Button_LocalUpgrade") + n);
    update->setGeometry(500, 30, 84, 28);
    auto* label = new QLabel(QStringLiteral("Update..."), box);
    label->setObjectName(QStringLiteral("Label_UpdateStatus") + n);
    label->setGeometry(16, 66, 384, 20);
    label->setStyleSheet(QStringLiteral("color: red;"));
    label->hide();
    auto* gauge = new QProgressBar(box);
    gauge->setObjectName(QStringLiteral("ProgressBar") + n);
    gauge->setTextVisible(false);
    gauge->setGeometry(16, 66, 384, 20);
    gauge->hide();
    *boxes[i] = box;
    *edits[i] = edit;
    *selects[i] = select;
    *updates[i] = update;
    *labels[i] = label;
    *gauges[i] = gauge;
  }
  auto makeButton = [page](const char* name, const char* caption, int y) {
    auto* button = new QPushButton(QString::fromLatin1(caption), page);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(664, y, 140, 30);
    return button;
  };
  Button_QueryID = makeButton("Button_QueryID", "Query ID", 40);
  Button_SetID = makeButton("Button_SetID", "Set ID", 80);
  Button_QueryVersion = makeButton("Button_QueryVersion", "Query Version", 120);
  Button3 = makeButton("Button3", "Button3", 160);
  Button3->hide();
  connect(Button_QueryID, &QPushButton::clicked, this, &TFormMain::Button_QueryIDClick);
  connect(Button_SetID, &QPushButton::clicked, this, &TFormMain::Button_SetIDClick);
  connect(Button_QueryVersion, &QPushButton::clicked, this, &TFormMain::Button_QueryVersionClick);
  connect(Button3, &QPushButton::clicked, this, &TFormMain::Button3Click);
  connect(Button_Test1, &QPushButton::clicked, this, &TFormMain::Button_Test1Click);
  connect(Button_Test2, &QPushButton::clicked, this, &TFormMain::Button_Test2Click);
}

void TFormMain::PlaceLocalUpgradeGauges() {
  // Each gauge takes exactly its path box's place; SetUpgradeMode shows one or the other.
  ProgressBar1->setGeometry(Edit_UpgradePath1->geometry());
  ProgressBar2->setGeometry(Edit_UpgradePath2->geometry());
  ProgressBar3->setGeometry(Edit_UpgradePath3->geometry());
}

void TFormMain::StartDeviceMonitor() {
  const std::string& link = Config().demoDevicePath;
  if (!link.empty()) {
    // The demo follows its emulated tool by the link's folder instead of udev: the tool's link
    // comes and goes as a real tool's device node does.
    new DemoToolLink(this, link);
    auto watcher = std::make_unique<platform::LinkWatcher>(link);
    const size_t slash = link.rfind('/');
    if (slash != std::string::npos && slash > 0) (void)platform::MakeDirs(link.substr(0, slash));
    if (watcher->Open()) new DeviceChangeWatcher(this, std::move(watcher));
    return;
  }
  auto monitor = std::make_unique<platform::DeviceMonitor>();
  if (!monitor->Open()) return;  // no udev here: the scans at start and after upgrades remain
  new DeviceChangeWatcher(this, std::move(monitor));
}

// --- upgrade mode -----------------------------------------------------------------------------

void TFormMain::SetUpgradeMode(int mode) {
  if (mode != -1) state_.upgradeMode = mode;
  const bool enabled = syncUart != nullptr && syncUart->Active() && state_.upgradeMode == 0;
  // Page 0's controls belong to the skin; they are found by name once they exist.
  for (const char* name : {"Button_InternetUpdate", "Label_CheckUpdate"}) {
    if (auto* widget = findChild<QWidget*>(QString::fromLatin1(name))) widget->setEnabled(enabled);
  }
  for (QWidget* widget :
       {static_cast<QWidget*>(Button_LocalUpgrade1), static_cast<QWidget*>(Button_LocalUpgrade2),
        static_cast<QWidget*>(Button_LocalUpgrade3), static_cast<QWidget*>(Button_UpgradeSelect1),
        static_cast<QWidget*>(Button_UpgradeSelect2),
        static_cast<QWidget*>(Button_UpgradeSelect3)}) {
    widget->setEnabled(enabled);
  }
  QLabel* labels[3] = {Label_UpdateStatus1, Label_UpdateStatus2, Label_UpdateStatus3};
  QProgressBar* gauges[3] = {ProgressBar1, ProgressBar2, ProgressBar3};
  QLineEdit* edits[3] = {Edit_UpgradePath1, Edit_UpgradePath2, Edit_UpgradePath3};
  for (int n = 1; n <= 3; ++n) {
    const bool busy = state_.upgradeMode == n;
    labels[n - 1]->setVisible(busy);
    gauges[n - 1]->setVisible(busy);
    edits[n - 1]->setVisible(!busy);
  }
  if (mode >= 1 && mode <= 3) {
    curGauge = gauges[mode - 1];
    curStatusLabel = labels[mode - 1];
  } else if (mode == 10) {
    curGauge = findChild<QProgressBar*>(QStringLiteral("ProgressBar10"));
    curStatusLabel = Label_Status;
  }
  if (curGauge != nullptr) curGauge->setValue(0);
  Button_QueryID->setEnabled(enabled);
  Button_SetID->setEnabled(enabled);
  Button_QueryVersion->setEnabled(enabled);
}

// --- port discovery ---------------------------------------------------------------------------

void TFormMain::ScanDevicePort() {
  const int port = FindComPortByUsbId(kToolVendorId, kToolProductId);
  if (port == state_.comPort) return;
  if (port > 0) {
    initUartPort(port);
  } else {
    Label_Status->setText(QString::fromStdString(state_.langText[0]));
    Label_Status->setToolTip(QString());
    syncUart->fSetActive(false);
    state_.comPort = 0;
  }
  UpdateUartReadTimer();
  SetUpgradeMode(-1);
}

void TFormMain::initUartPort(int port) {
  syncUart->fSetActive(false);
  syncUart->fSetPort(port);
  syncUart->Open();
  if (syncUart->Active()) {
    Label_Status->setText(QString::fromStdString(ConnectedStatusText(port)));
    state_.comPort = port;
  } else {
    Label_Status->setText(QString::fromStdString(ConnectingStatusText(port)));
  }
  Label_Status->setToolTip(QString::fromStdString(syncUart->DevicePath()));
}

void TFormMain::UpdateUartReadTimer() {
  if (syncUart->Active() && state_.curTab == kPrintTab) {
    UartReadTimer->start();
  } else {
    UartReadTimer->stop();
  }
}

// --- ID and version buttons -------------------------------------------------------------------

void TFormMain::Button_QueryIDClick() {
  Button_QueryID->setEnabled(false);
  char id[kDeviceIdLength + 1] = {};
  if (QueryId(*this, *syncUart, id)) {
    ShowMessage("ID: " + ShownText(id));
  } else {
    ShowMessage(Msg("MsgError20", "Fail to request device ID!"));
  }
  // Back to what the port state allows: the port may have gone while the box was up.
  Button_QueryID->setEnabled(syncUart->Active() && state_.upgradeMode == 0);
}

void TFormMain::Button_SetIDClick() {
  QString text = QString::fromStdString(setIdProposal);
  if (!AskString(this, QStringLiteral("ID"), text, kDeviceIdLength)) return;
  const std::string id = TrimIdText(text.toStdString());
  setIdProposal = id;
  if (!IsValidDeviceId(id)) {
    ShowMessage(Msg("MsgError22", "Invalid ID!"));
    return;
  }
  if (!SetId(*this, *syncUart, id.c_str())) {
    ShowMessage(Msg("MsgError21", "Fail to set device ID!"));
    return;
  }
  ShowMessage(Msg("MsgInfo5", "Device ID is successfully set!"));
  setIdProposal = NextIdProposal(setIdProposal);
}

void TFormMain::Button_QueryVersionClick() {
  Button_QueryVersion->setEnabled(false);
  DeviceTextField type{}, subtype{}, romVersion{}, flashVersion{};
  if (RequestDeviceInfo(*this, *syncUart, type, subtype, romVersion, flashVersion)) {
    const std::string text = FieldText(type) + "-" + FieldText(subtype) +
                             "  ROM_ver:" + FieldText(romVersion) +
                             " FLASH_ver:" + FieldText(flashVersion);
    ShowMessageBox(this, QString::fromStdString(ShownText(text)), QStringLiteral("info"));
  } else {
    ShowMessage(Msg("MsgError23", "Fail to request device version!"));
  }
  Button_QueryVersion->setEnabled(syncUart->Active() && state_.upgradeMode == 0);
}

// --- hidden diagnostic buttons (fixed English texts, fixed port numbers) ----------------------

// Takes port `port` as the tool's without looking for it: status line, port, receive timer.
void TFormMain::OpenDiagnosticPort(int port) {
  state_.comPort = port;
  Label_Status->setText(QStringLiteral("Device connected to COM%1").arg(port));
  syncUart->fSetPort(port);
  syncUart->Open();
  if (state_.curTab == kPrintTab) {
    UartReadTimer->start();
  } else {
    UartReadTimer->stop();
  }
}

void TFormMain::Button_Test2Click() {
  OpenDiagnosticPort(3);
}

void TFormMain::Button_Test1Click() {
  OpenDiagnosticPort(4);
  curStatusLabel = Label_Status;
  Label_Status->show();
  // The legacy update check for a fixed tool, then the ROM it names; the result is not shown.
  UpdateOffer offer;
  if (CheckUpgradeLegacy("Tq850", "1.2", &offer)) {
    curGauge = findChild<QProgressBar*>(QStringLiteral("ProgressBar10"));
    (void)DownloadLegacyFile(*this, offer.romLocation);
  }
}

void TFormMain::Button3Click() {
  OpenDiagnosticPort(4);
  curGauge = ProgressBar2;
  curStatusLabel = Label_UpdateStatus2;
  // The test transfer reads a fixed file; on Linux it lives in the temporary folder.
  if (BurnTestFile(*this, *syncUart, platform::TempDir() + "test.fls")) {
    ShowMessageBox(this, QStringLiteral("OK"));
  }
}

}  // namespace vortik
