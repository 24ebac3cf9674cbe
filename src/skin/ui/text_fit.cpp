#include "skin/ui/text_fit.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QTextLayout>

#include <algorithm>
#include <vector>

#include "skin/ui/click_label.h"

namespace vortik {

namespace {

qreal LineSpacingOf(const QLabel& label) {
  const auto* click = qobject_cast<const ClickLabel*>(&label);
  return click != nullptr ? click->lineSpacing() : 1.0;
}

}  // namespace

QRectF TextExtent(const QFont& font, const QString& text, const QRectF& box,
                  Qt::Alignment alignment, bool wrap, qreal lineSpacing) {
  if (text.isEmpty()) return QRectF(box.center(), QSizeF(0, 0));
  // Laid out as a label draws plain text: line breaks become line separators, spaces break
  // lines when it wraps.
  QString shown = text;
  shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextOption option(alignment & Qt::AlignHorizontal_Mask);
  option.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::ManualWrap);
  QTextLayout layout(shown, font);
  layout.setTextOption(option);
  const QFontMetricsF metrics(font);
  const qreal step = metrics.lineSpacing() * lineSpacing;

  struct Line {
    qreal width;
    qreal baseline;
    QString text;
  };
  std::vector<Line> lines;
  qreal top = 0;
  qreal blockHeight = 0;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(box.width());
    lines.push_back({line.naturalTextWidth(), top + line.ascent(),
                     shown.mid(line.textStart(), line.textLength()).trimmed()});
    blockHeight = top + line.height();
    top += step;
  }
  layout.endLayout();

  qreal y = 0;
  if (alignment & Qt::AlignBottom) {
    y = box.height() - blockHeight;
  } else if (alignment & Qt::AlignVCenter) {
    y = (box.height() - blockHeight) / 2;
  }
  qreal left = box.width();
  qreal right = 0;
  qreal inkTop = box.height();
  qreal inkBottom = 0;
  for (const Line& line : lines) {
    qreal x = 0;
    if (alignment & Qt::AlignHCenter) {
      x = (box.width() - line.width) / 2;
    } else if (alignment & Qt::AlignRight) {
      x = box.width() - line.width;
    }
    left = std::min(left, x);
    right = std::max(right, x + line.width);
    if (line.text.isEmpty()) continue;
    const QRectF ink = metrics.tightBoundingRect(line.text);
    inkTop = std::min(inkTop, y + line.baseline + ink.top());
    inkBottom = std::max(inkBottom, y + line.baseline + ink.bottom());
  }
  if (inkBottom < inkTop) inkTop = inkBottom = y;
  return QRectF(box.left() + left, box.top() + inkTop, right - left, inkBottom - inkTop);
}

bool TextFitsLabel(const QLabel& label) {
  // Nothing drawn fits any place; an empty caption keeps its designed size for the text it
  // gets later.
  if (label.text().isEmpty()) return true;
  const QRectF box = label.contentsRect();
  const QRectF used = TextExtent(label.font(), label.text(), box, label.alignment(),
                                 label.wordWrap(), LineSpacingOf(label));
  // Half a pixel for the rounding of fractional advances.
  return box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(used);
}

bool FitLabelText(QLabel* label, int largest, int smallest, FitWrap wrap) {
  if (label == nullptr) return false;
  QFont font = label->font();
  const auto fitsFromLargest = [&] {
    for (int size = largest; size >= smallest; --size) {
      font.setPixelSize(size);
      label->setFont(font);
      if (TextFitsLabel(*label)) return true;
    }
    return false;
  };
  if (fitsFromLargest()) return true;
  if (wrap == FitWrap::kWhenTooLong && !label->wordWrap()) {
    label->setWordWrap(true);
    if (fitsFromLargest()) return true;
  }
  return false;
}

}  // namespace vortik
