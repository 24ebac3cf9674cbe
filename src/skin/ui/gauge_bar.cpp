#include "skin/ui/gauge_bar.h"

#include <QPainter>
#include <QPainterPath>

namespace vortik {

GaugeBar::GaugeBar(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
  setAttribute(Qt::WA_TranslucentBackground);
}

void GaugeBar::SetColours(QColor back, QColor fore) {
  back_ = back;
  fore_ = fore;
  update();
}

void GaugeBar::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect());
  const qreal radius = r.height() / 2;
  QPainterPath capsule;
  capsule.addRoundedRect(r, radius, radius);
  painter.fillPath(capsule, back_);

  const qint64 span = static_cast<qint64>(maximum()) - minimum();
  if (span <= 0 || value() <= minimum()) return;
  const qreal fraction =
      std::min<qreal>(1.0, static_cast<qreal>(value() - minimum()) / static_cast<qreal>(span));
  painter.setClipPath(capsule);
  QRectF filled = r;
  filled.setWidth(r.width() * fraction);
  QLinearGradient shade(r.topLeft(), r.bottomLeft());
  shade.setColorAt(0.0, fore_.lighter(118));
  shade.setColorAt(1.0, fore_.darker(112));
  painter.fillRect(filled, shade);
}

}  // namespace vortik
