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
  // With `demoPushOnShow` (the demo build) showing the page asks the emulated tool to push its
  // sample report and capture.
  PrintPage(QWidget* window, Host& host, TSyncUart& uart, TBitmapFactory& pictures,
            bool demoPushOnShow = false);

  // The ticks of UartReadTimer (100 ms; it runs while the page is current and the tool is
  // there) and of TimerMonitorWaveRecv (1 s; it runs while a capture arrives).
  void UartReadTimerTimer();
  void TimerMonitorWaveRecvTimer();
  // Runs or stops the receive timer.
  void SetReceiving(bool on);
  // The page has been switched in by its tab.
  void PageShown();
  // After the language texts: captions that do not fit their labels get a smaller font.
  void FitLabels();

  PrintPanel* panel() const { return panel_; }

  QTimer* UartReadTimer = nullptr;
  QTimer* TimerMonitorWaveRecv = nullptr;

 private:
  TSyncUart& uart_;
  const bool demoPushOnShow_;
  PrintPanel* panel_ = nullptr;
};

}  // namespace vortik
