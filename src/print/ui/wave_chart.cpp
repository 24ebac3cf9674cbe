#include "print/ui/wave_chart.h"

#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>

#include <algorithm>

#include "skin/ui/file_dialog.h"
#include "skin/ui/message_box.h"

namespace vortik {

namespace {

const QColor kChartBackground(2, 33, 81);
const QColor kTitleColour(255, 255, 0);
const QColor kLabelColour(255, 255, 255);

const QString kSaveFilter = QStringLiteral(
    "Bitmap files|*.bmp|PNG pictures|*.png|Samples as CSV (sample number, volts)|*.csv");

void StyleAxis(QCPAxis* axis, const QString& title) {
  axis->setLabel(title);
  QFont titleFont = axis->labelFont();
  titleFont.setPointSize(10);
  axis->setLabelFont(titleFont);
  axis->setLabelColor(kTitleColour);
  axis->setTickLabelColor(kLabelColour);
  axis->setBasePen(QPen(kLabelColour));
  axis->setTickPen(QPen(kLabelColour));
  axis->setSubTickPen(QPen(kLabelColour));
}

}  // namespace

WaveChart::WaveChart(QWidget* parent, const TextTable& texts) : QCustomPlot(parent), texts_(texts) {
  setObjectName(QStringLiteral("Chart1"));
  setBackground(QBrush(kChartBackground));
  axisRect()->setBackground(QBrush(kChartBackground));
  setNoAntialiasingOnDrag(true);
  // Many points draw fast without smoothing; the adaptive sampling keeps a long capture cheap.
  setNotAntialiasedElements(QCP::aeAll);
  StyleAxis(xAxis, QStringLiteral("Time"));
  StyleAxis(yAxis, QStringLiteral("Voltage (V)"));
  xAxis->grid()->setPen(QPen(QColor(60, 90, 140), 0, Qt::DotLine));
  yAxis->grid()->setVisible(false);
  xAxis->setRange(0, kWaveWindow - 1);
  legend->setVisible(false);

  struct SeriesStyle {
    QColor colour;
    Qt::PenStyle line;
    bool marks;
  };
  const SeriesStyle styles[4] = {{QColor(255, 0, 0), Qt::SolidLine, false},
                                 {QColor(255, 255, 0), Qt::SolidLine, true},
                                 {QColor(255, 255, 0), Qt::SolidLine, true},
                                 {QColor(0, 128, 0), Qt::DashLine, true}};
  for (const SeriesStyle& style : styles) {
    QCPGraph* graph = addGraph();
    graph->setPen(QPen(style.colour, 1, style.line));
    graph->setAdaptiveSampling(true);
    if (style.marks) {
      graph->setScatterStyle(
          QCPScatterStyle(QCPScatterStyle::ssSquare, style.colour, style.colour, 5));
    }
  }
  connect(this, &QCustomPlot::mousePress, this, &WaveChart::Chart1Click);
  // Dragging pans the chart sideways; the track bar follows where the drag leaves it.
  setInteraction(QCP::iRangeDrag, true);
  axisRect()->setRangeDrag(Qt::Horizontal);
  connect(this, &QCustomPlot::mouseRelease, this, [this](QMouseEvent*) {
    TrackBar_ChartLine->setValue(static_cast<int>(xAxis->range().lower));
  });

  StaticText_SampleStat = new QLabel(this);
  StaticText_SampleStat->setObjectName(QStringLiteral("StaticText_SampleStat"));
  StaticText_SampleStat->setAttribute(Qt::WA_TransparentForMouseEvents);
  QPalette statPalette = StaticText_SampleStat->palette();
  statPalette.setColor(QPalette::WindowText, kTitleColour);
  StaticText_SampleStat->setPalette(statPalette);
  QFont statFont = StaticText_SampleStat->font();
  statFont.setPointSize(10);
  statFont.setBold(true);
  StaticText_SampleStat->setFont(statFont);

  TrackBar_ChartLine = new QSlider(Qt::Horizontal, this);
  TrackBar_ChartLine->setObjectName(QStringLiteral("TrackBar_ChartLine"));
  TrackBar_ChartLine->setRange(0, 0);
  TrackBar_ChartLine->setFocusPolicy(Qt::NoFocus);  // it never takes the keyboard focus
  TrackBar_ChartLine->setTracking(true);
  TrackBar_ChartLine->installEventFilter(this);

  Btn_SaveChart = new QToolButton(this);
  Btn_SaveChart->setObjectName(QStringLiteral("Btn_SaveChart"));
  Btn_SaveChart->setText(QStringLiteral("Save…"));
  Btn_SaveChart->setToolTip(QStringLiteral("Save chart curve to file ..."));
  Btn_SaveChart->setFocusPolicy(Qt::NoFocus);
  Btn_SaveChart->setCursor(Qt::PointingHandCursor);
  connect(Btn_SaveChart, &QToolButton::clicked, this, &WaveChart::Btn_SaveChartClick);
  PlaceControls();
}

void WaveChart::PlaceControls() {
  const int w = width();
  const int h = height();
  Btn_SaveChart->adjustSize();
  Btn_SaveChart->move(w - Btn_SaveChart->width() - 6, 6);
  StaticText_SampleStat->setGeometry(70, 6, std::max(0, w - 70 - Btn_SaveChart->width() - 16), 20);
  TrackBar_ChartLine->setGeometry(60, h - 22, std::max(0, w - 70), 18);
  // Room below the axis for the track bar.
  axisRect()->setAutoMargins(QCP::msLeft | QCP::msTop | QCP::msRight);
  axisRect()->setMargins(QMargins(0, 0, 0, 60));
}

void WaveChart::resizeEvent(QResizeEvent* event) {
  QCustomPlot::resizeEvent(event);
  PlaceControls();
}

bool WaveChart::eventFilter(QObject* watched, QEvent* event) {
  // Releasing the left button on the track bar scrolls the chart to the position it shows,
  // before the track bar handles the release itself.
  if (watched == TrackBar_ChartLine && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && monitor_ != nullptr) {
    monitor_->ScrollChart(TrackBar_ChartLine->value());
  }
  return QCustomPlot::eventFilter(watched, event);
}

void WaveChart::Chart1Click(QMouseEvent* event) {
  if (monitor_ == nullptr) return;
  const QPointF at = event->position();
  monitor_->Chart1Click(xAxis->pixelToCoord(at.x()), yAxis->pixelToCoord(at.y()));
}

void WaveChart::ClearSeries(int series) {
  if (series >= 0 && series < graphCount()) graph(series)->data()->clear();
}

void WaveChart::AddPoints(int series, const std::vector<double>& x, const std::vector<double>& y) {
  if (series < 0 || series >= graphCount()) return;
  const int n = static_cast<int>(std::min(x.size(), y.size()));
  QVector<QCPGraphData> points(n);
  for (int i = 0; i < n; ++i)
    points[i] = QCPGraphData(x[static_cast<size_t>(i)], y[static_cast<size_t>(i)]);
  graph(series)->data()->add(points, true);
}

void WaveChart::SetBottomRange(double minimum, double maximum) {
  xAxis->setRange(minimum, maximum);
}

double WaveChart::BottomMinimum() const {
  return xAxis->range().lower;
}

double WaveChart::BottomMaximum() const {
  return xAxis->range().upper;
}

void WaveChart::SetLeftRange(double minimum, double maximum, double step) {
  leftFixed_ = true;
  yAxis->setRange(minimum, maximum);
  // Labels every `step` volts while they stay readable; a wide range gets the ticker's own steps.
  QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
  ticker->setTickStep(step);
  ticker->setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
  yAxis->setTicker(ticker);
}

void WaveChart::SetSummary(int samples, float minimum, float maximum) {
  if (samples <= 0) {
    setAccessibleDescription(QString());
    return;
  }
  setAccessibleDescription(QString::fromStdString(texts_[TextId::ChartSummary])
                               .arg(samples)
                               .arg(QString::fromStdString(FormatVolts(minimum)))
                               .arg(QString::fromStdString(FormatVolts(maximum))));
}

void WaveChart::SetStatText(const std::string& utf8) {
  StaticText_SampleStat->setText(QString::fromStdString(utf8));
}

void WaveChart::SetTrackBarMaximum(int maximum) {
  TrackBar_ChartLine->setMaximum(std::max(0, maximum));
}

void WaveChart::SetTrackBarPosition(int position) {
  TrackBar_ChartLine->setValue(position);  // the slider keeps it within its range
}

void WaveChart::Redraw() {
  if (!leftFixed_ && !graph(kVoltageSeries)->data()->isEmpty()) yAxis->rescale();
  replot(QCustomPlot::rpQueuedReplot);
}

QString WaveChart::SaveChart(const QString& path, int filterIndex) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString());
  }
  // A name typed with a known extension says the type; otherwise the choice does.
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("bmp")) {
    filterIndex = 0;
  } else if (suffix == QLatin1String("png")) {
    filterIndex = 1;
  } else if (suffix == QLatin1String("csv")) {
    filterIndex = 2;
  }
  bool ok;
  if (filterIndex == 2) {
    const std::string csv =
        monitor_ != nullptr ? monitor_->CaptureCsv() : std::string("sample,volts\n");
    ok = file.write(csv.data(), static_cast<qint64>(csv.size())) == static_cast<qint64>(csv.size());
  } else {
    replot(QCustomPlot::rpImmediateRefresh);
    ok = toPixmap().save(&file, filterIndex == 1 ? "PNG" : "BMP");
  }
  if (ok) ok = file.flush();
  if (!ok) {
    const QString reason = file.errorString();
    file.remove();
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
  }
  return {};
}

void WaveChart::Btn_SaveChartClick() {
  SaveFileRequest request;
  request.title = QStringLiteral("Save chart curve to file ...");
  request.filter = kSaveFilter;
  request.confirmOverwrite = true;
  const SaveFileAnswer answer = AskSaveFileName(window(), request);
  if (answer.path.isEmpty()) return;
  const QString error = SaveChart(answer.path, answer.filterIndex);
  if (!error.isEmpty()) {
    ShowMessageBox(window(), error);
    return;
  }
  ShowMessageBox(window(), QString::fromStdString(texts_[TextId::MsgInfo6]));
}

}  // namespace vortik
