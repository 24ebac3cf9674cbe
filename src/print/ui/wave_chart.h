// The voltage chart (Chart1) with its statistics text, track bar and save button, drawn with
// QCustomPlot; the wave monitor drives it through WaveChartView.
#pragma once

#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include <string>
#include <vector>

#include "base/text_id.h"
#include "print/ui/qcustomplot_include.h"
#include "print/wave_monitor.h"

namespace vortik {

class WaveChart : public QCustomPlot, public WaveChartView {
  Q_OBJECT

 public:
  // `texts` (the window's language texts) outlives the chart.
  WaveChart(QWidget* parent, const TextTable& texts);
  // The monitor that clicks, the track bar and the save button act on.
  void SetMonitor(WaveMonitor* monitor) { monitor_ = monitor; }

  // WaveChartView
  void ClearSeries(int series) override;
  void AddPoints(int series, const std::vector<double>& x, const std::vector<double>& y) override;
  void SetBottomRange(double minimum, double maximum) override;
  double BottomMinimum() const override;
  double BottomMaximum() const override;
  void SetLeftRange(double minimum, double maximum, double step) override;
  void SetStatText(const std::string& utf8) override;
  void SetSummary(int samples, float minimum, float maximum) override;
  void SetTrackBarMaximum(int maximum) override;
  void SetTrackBarPosition(int position) override;
  void Redraw() override;

  // "Save chart curve to file ...": a bitmap, a PNG picture, or the whole capture as CSV.
  void Btn_SaveChartClick();
  // Writes the chart picture (BMP or PNG) or the CSV: the type the path's extension names when
  // it names one, else the choice. Empty text on success.
  QString SaveChart(const QString& path, int filterIndex);

  QLabel* StaticText_SampleStat = nullptr;
  QSlider* TrackBar_ChartLine = nullptr;
  QToolButton* Btn_SaveChart = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const TextTable& texts_;
  void Chart1Click(QMouseEvent* event);
  void PlaceControls();

  WaveMonitor* monitor_ = nullptr;
  bool leftFixed_ = false;
};

}  // namespace vortik
