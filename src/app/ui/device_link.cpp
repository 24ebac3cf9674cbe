// TFormMain's device link: port discovery with hot-plug, the upgrade mode switch, and the fixed
// ports the developer buttons open.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>

#include <memory>

#include "app/ui/form_main.h"
#include "app/ui/main_menu.h"
#include "device/port_discovery.h"
#include "platform/device_enum.h"
#include "platform/folders.h"
#include "print/ui/print_page.h"
#include "skin/ui/accessibility.h"
#include "upgrade/ui/internet_upgrade_page.h"
#include "upgrade/ui/local_upgrade_page.h"

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

}  // namespace

void TFormMain::StartDeviceMonitor() {
  const std::string& link = config_.demoDevicePath;
  if (!link.empty()) {
    // The demo follows its emulated tool by the link's folder instead of udev: the tool's link
    // comes and goes as a real tool's device node does.
    services_.devices =
        std::make_shared<platform::LinkDeviceLister>(link, kToolVendorId, kToolProductId);
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
  const bool runEnded = mode == kUpgradeIdle && state_.upgradeMode != kUpgradeIdle;
  if (mode != kUpgradeModeRefresh) state_.upgradeMode = mode;
  // The last step of a run that has ended is no longer running: the status line says again
  // where the tool is (the run's outcome was its message).
  if (runEnded) ShowConnectionStatus();
  const bool enabled = UpgradeEnabled();
  internetUpgradePage_->SetUpgradeEnabled(enabled);
  // A Local Upgrade page not built yet takes the mode when it is built.
  if (localUpgradePage_ != nullptr) localUpgradePage_->ShowUpgradeMode(state_.upgradeMode, enabled);
  // The open menu would hold the upgrade's handler in its own event loop.
  menuButton_->setEnabled(state_.upgradeMode == kUpgradeIdle);
  if (mode >= 1 && mode <= LocalUpgradePage::kBoxCount) {
    curGauge_ = localUpgradePage()->Gauge(mode);
    curStatusLabel_ = localUpgradePage()->StatusLabel(mode);
  } else if (mode == 10) {
    curGauge_ = internetUpgradePage_->Gauge();
    curStatusLabel_ = Label_Status;
  }
  if (curGauge_ != nullptr) curGauge_->setValue(0);
}

bool TFormMain::UpgradeEnabled() const {
  return syncUart_->Active() && state_.upgradeMode == kUpgradeIdle;
}

// --- port discovery ---------------------------------------------------------------------------

void TFormMain::ScanDevicePort() {
  const int port = FindComPortByUsbId(*services_.devices, kToolVendorId, kToolProductId);
  if (port == state_.comPort) return;
  if (port > 0) {
    initUartPort(port);
  } else {
    SetConnectionStatus(QString::fromStdString(state_.langText[TextId::LabelStatus]), QString());
    syncUart_->fSetActive(false);
    state_.comPort = 0;
  }
  UpdateUartReadTimer();
  SetUpgradeMode(kUpgradeModeRefresh);
}

void TFormMain::initUartPort(int port) {
  syncUart_->fSetActive(false);
  syncUart_->fSetPort(port);
  syncUart_->Open();
  const QString path = QString::fromStdString(syncUart_->DevicePath());
  if (syncUart_->Active()) {
    SetConnectionStatus(QString::fromStdString(ConnectedStatusText(state_.langText, port)), path);
    state_.comPort = port;
  } else {
    SetConnectionStatus(QString::fromStdString(ConnectingStatusText(state_.langText, port)), path);
  }
}

void TFormMain::SetConnectionStatus(const QString& text, const QString& toolTip) {
  connectionStatus_ = text;
  connectionToolTip_ = toolTip;
  ShowConnectionStatus();
}

void TFormMain::ShowConnectionStatus() {
  // Before the first search the line keeps the language's prompt.
  if (connectionStatus_.isEmpty()) return;
  ShowStatusText(Label_Status, connectionStatus_);
  Label_Status->setToolTip(connectionToolTip_);
}

// The Print page receives only while it is current, so a page not built yet has nothing to run.
void TFormMain::UpdateUartReadTimer() {
  if (printPage_ == nullptr) return;
  printPage_->SetReceiving(syncUart_->Active() && state_.curTab == kPrintTab);
}

// --- fixed ports of the developer buttons ----------------------------------------------------

void TFormMain::OpenDiagnosticPort(int port) {
  state_.comPort = port;
  SetConnectionStatus(QStringLiteral("Device connected to COM%1").arg(port), QString());
  syncUart_->fSetPort(port);
  syncUart_->Open();
  if (printPage_ != nullptr) printPage_->SetReceiving(state_.curTab == kPrintTab);
}

}  // namespace vortik
