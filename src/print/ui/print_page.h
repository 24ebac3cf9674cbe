// The Print page: the reports the tool pushes, shown as coloured text, and its battery-voltage
// captures shown as a chart.
#pragma once

#include <QWidget>

class QTimer;

namespace vortik {

class Host;
class PrintPanel;
class TBitmapFactory;
class TSyncUart;

class PrintPage : public QWidget {
  Q_OBJECT

 public:
  // `waveTimer` is the window's chart timer, which runs while the chart is shown. With
  // `demoPushOnShow` (the demo build) showing the page asks the emulated tool to push its sample
  // report and capture.
  PrintPage(QWidget* window, Host& host, TSyncUart& uart, TBitmapFactory& pictures,
            QTimer* waveTimer, bool demoPushOnShow = false);

  // The window's 100 ms receive timer, which runs while this page is current.
  void UartReadTimerTimer();
  // The window's chart timer.
  void TimerMonitorWaveRecvTimer();
  // The page has been switched in by its tab.
  void PageShown();
  // After the language texts: captions that do not fit their labels get a smaller font.
  void FitLabels();

  PrintPanel* panel() const { return panel_; }

 private:
  TSyncUart& uart_;
  const bool demoPushOnShow_;
  PrintPanel* panel_ = nullptr;
};

}  // namespace vortik
