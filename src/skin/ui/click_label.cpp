#include "skin/ui/click_label.h"

#include "skin/ui/accessibility.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

namespace vortik {

ClickLabel::ClickLabel(QWidget* parent, const char* name, int x, int y, int width, int height)
    : QLabel(parent) {
  setObjectName(QString::fromLatin1(name));
  setGeometry(x, y, width, height);
  setAttribute(Qt::WA_TranslucentBackground);
}

void ClickLabel::SetLineSpacing(qreal factor) {
  lineSpacing_ = factor;
  update();
}

void ClickLabel::paintEvent(QPaintEvent* event) {
  PaintText(event);
  PaintFocusRingIfFocused(this);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
  if (IsSkinButton(this) && IsActivationKey(event)) {
    event->accept();
    Q_EMIT clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

void ClickLabel::focusInEvent(QFocusEvent* event) {
  QLabel::focusInEvent(event);
  update();
}

void ClickLabel::focusOutEvent(QFocusEvent* event) {
  QLabel::focusOutEvent(event);
  update();
}

void ClickLabel::PaintText(QPaintEvent* event) {
  if (lineSpacing_ == 1.0 || !wordWrap() || textFormat() == Qt::RichText) {
    QLabel::paintEvent(event);
    return;
  }
  QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
  option.setWrapMode(QTextOption::WordWrap);
  QTextLayout layout(text(), font());
  layout.setTextOption(option);
  const qreal step = QFontMetricsF(font()).lineSpacing() * lineSpacing_;
  qreal top = 0;
  qreal textHeight = 0;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width());
    line.setPosition(QPointF(0, top));
    textHeight = top + line.height();
    top += step;
  }
  layout.endLayout();

  qreal y = 0;
  if (alignment() & Qt::AlignBottom) {
    y = height() - textHeight;
  } else if (alignment() & Qt::AlignVCenter) {
    y = (height() - textHeight) / 2;
  }
  QPainter painter(this);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  layout.draw(&painter, QPointF(0, y));
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasPressed = pressed_ && event->button() == Qt::LeftButton;
  if (event->button() == Qt::LeftButton) pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (wasPressed && rect().contains(event->position().toPoint())) Q_EMIT clicked();
}

void StyleLabel(QLabel* label, const QString& face, int pixelSize, const QColor& colour,
                Qt::Alignment alignment, bool wordWrap) {
  static const QColor kGrayTextColour(109, 109, 109);  // the system colour of disabled text
  QFont font(face);
  font.setPixelSize(pixelSize);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Disabled, QPalette::WindowText, kGrayTextColour);
  label->setPalette(palette);
  label->setAlignment(alignment);
  label->setWordWrap(wordWrap);
}

}  // namespace vortik
