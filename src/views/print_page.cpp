#include "views/print_page.h"

namespace vortik {

PrintPage::PrintPage(QWidget* window, Host& host, TSyncUart& uart, TBitmapFactory& pictures,
                     QTimer* waveTimer)
    : QWidget(window), host_(host), uart_(uart), pictures_(pictures), waveTimer_(waveTimer) {
  setObjectName(QStringLiteral("TabSheetPrint"));
  setAttribute(Qt::WA_TranslucentBackground);
}

void PrintPage::UartReadTimerTimer() {}

void PrintPage::TimerMonitorWaveRecvTimer() {}

}  // namespace vortik
