// The Print page's content: four picture buttons with their labels (print, clear, copy, edit),
// the report text and the voltage chart, with the receiver and the wave monitor behind them.
#pragma once

#include <QWidget>

#include <array>
#include <functional>

#include "base/main_state.h"
#include "device/stream_receiver.h"
#include "print/wave_monitor.h"

namespace vortik {

class ClickLabel;
class PictureControl;
class ReportEdit;
class TBitmapFactory;
class TSyncUart;
class WaveChart;

class PrintPanel : public QWidget, public ReceiverView, public WavePage {
  Q_OBJECT

 public:
  // Covers the page area (953 x 492 from the page's origin) of `page`.
  PrintPanel(QWidget* page, MainState& state);
  ~PrintPanel() override;

  // The window's picture factory (for the pressed look of the labels) and its capture timer.
  void AttachSkin(TBitmapFactory* factory);
  void SetCaptureTimerSwitch(std::function<void(bool)> run) { runCaptureTimer_ = std::move(run); }

  // After the language texts: a caption longer than its label gets a smaller font until it fits.
  void FitLabels();

  // The window's timers.
  void UartReadTimerTimer(TSyncUart& uart);
  void TimerMonitorWaveRecvTimer();

  // The four actions; each has two triggers, the picture button and the label over it.
  void Button_PrintClick();
  void Button_ClearClick();
  void Button_CopyClick();
  void Button_EditClick();
  void Label_PrintPrintClick() { Button_PrintClick(); }
  void Label_ClearClick() { Button_ClearClick(); }
  void Label_CopyClick() { Button_CopyClick(); }
  void Label_EditClick() { Button_EditClick(); }

  // Report text or chart.
  void SetPrintView(bool showChart) override;

  // ReceiverView
  void AppendReportText(const std::string& utf8, Colour colour) override;
  void AppendBuiltInText(const std::string& utf8) override;
  void AddWaveSamples(const uint8_t* payload, int length) override;
  void EndWaveCapture() override;
  bool CaptureTimerEnabled() const override;
  bool ChartVisible() const override;
  // WavePage
  void RunCaptureTimer(bool running) override;

  StreamReceiver& receiver() { return receiver_; }
  WaveMonitor& wave() { return *wave_; }

  PictureControl* imgbtn_print = nullptr;
  PictureControl* imgbtn_clear = nullptr;
  PictureControl* imgbtn_copy = nullptr;
  PictureControl* imgbtn_edit = nullptr;
  ClickLabel* Label_PrintPrint = nullptr;
  ClickLabel* Label_Clear = nullptr;
  ClickLabel* Label_Copy = nullptr;
  ClickLabel* Label_Edit = nullptr;
  ReportEdit* RichEdit = nullptr;
  WaveChart* Chart1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The pressed look of a label's button while a mouse button is down on the label.
  void LabelMouseDown(int action);
  void LabelMouseUp(int action);

  MainState& state_;
  std::unique_ptr<WaveMonitor> wave_;
  StreamReceiver receiver_;
  TBitmapFactory* factory_ = nullptr;
  std::function<void(bool)> runCaptureTimer_;
  std::array<PictureControl*, 4> buttons_{};
  std::array<ClickLabel*, 4> labels_{};
};

}  // namespace vortik
