#include "print/ui/print_page.h"

#include <QTimer>

#include "base/host.h"
#include "device/frame.h"
#include "device/sync_uart.h"
#include "print/ui/print_panel.h"

namespace vortik {

PrintPage::PrintPage(QWidget* window, Host& host, TSyncUart& uart, TBitmapFactory& pictures,
                     QTimer* waveTimer, bool demoPushOnShow)
    : QWidget(window), uart_(uart), demoPushOnShow_(demoPushOnShow) {
  setObjectName(QStringLiteral("TabSheetPrint"));
  setAttribute(Qt::WA_TranslucentBackground);
  panel_ = new PrintPanel(this, host.state());
  panel_->AttachSkin(&pictures);
  panel_->SetCaptureTimerSwitch([waveTimer](bool run) {
    if (waveTimer == nullptr) return;
    if (!run) {
      waveTimer->stop();
    } else if (!waveTimer->isActive()) {
      waveTimer->start();
    }
  });
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
