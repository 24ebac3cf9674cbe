#include "print/ui/print_page.h"

#include <QTimer>

#include "base/host.h"
#include "device/frame.h"
#include "device/sync_uart.h"
#include "print/ui/print_panel.h"
#include "skin/ui/timers.h"

namespace vortik {

PrintPage::PrintPage(QWidget* window, Host& host, TSyncUart& uart, TBitmapFactory& pictures,
                     bool demoPushOnShow)
    : QWidget(window), uart_(uart), demoPushOnShow_(demoPushOnShow) {
  setObjectName(QStringLiteral("TabSheetPrint"));
  setAttribute(Qt::WA_TranslucentBackground);
  panel_ = new PrintPanel(this, host.state());
  panel_->AttachSkin(&pictures);
  UartReadTimer = MakeTimer(this, "UartReadTimer", 100, false);
  TimerMonitorWaveRecv = MakeTimer(this, "TimerMonitorWaveRecv", 1000, false);
  connect(UartReadTimer, &QTimer::timeout, this, &PrintPage::UartReadTimerTimer);
  connect(TimerMonitorWaveRecv, &QTimer::timeout, this, &PrintPage::TimerMonitorWaveRecvTimer);
  panel_->SetCaptureTimerSwitch([this](bool run) { SetTimerRunning(TimerMonitorWaveRecv, run); });
}

void PrintPage::SetReceiving(bool on) {
  SetTimerRunning(UartReadTimer, on);
}

void PrintPage::UartReadTimerTimer() {
  panel_->UartReadTimerTimer(uart_);
}

void PrintPage::TimerMonitorWaveRecvTimer() {
  panel_->TimerMonitorWaveRecvTimer();
}

void PrintPage::PageShown() {
  if (!demoPushOnShow_ || !uart_.Active()) return;
  uint8_t frame[kFrameOverhead];
  const int length = BuildFrame(frame, kCodeDemoPush, nullptr, 0);
  uart_.SendData(frame, length);
}

void PrintPage::FitLabels() {
  panel_->FitLabels();
}

}  // namespace vortik
