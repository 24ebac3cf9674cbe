#include "views/print_page.h"

#include <QTimer>

#include "base/host.h"
#include "views/print_panel.h"

namespace vortik {

PrintPage::PrintPage(QWidget* window, Host& host, TSyncUart& uart, TBitmapFactory& pictures,
                     QTimer* waveTimer)
    : QWidget(window), uart_(uart) {
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
  panel_->PageShown(uart_);
}

void PrintPage::FitLabels() {
  panel_->FitLabels();
}

}  // namespace vortik
