// Fitting captions to their places: measuring where a label's text lands (wrapped as the label
// wraps it) and shrinking the font of a caption whose translation is longer than its place.
#pragma once

#include <QRectF>
#include <QString>
#include <Qt>

class QFont;
class QLabel;

namespace vortik {

// The rectangle `text` occupies when drawn in `font` inside `box` with `alignment`: across, the
// advance of its widest line; down, the ink from the top of the first line's glyphs to the
// bottom of the last one's. With `wrap` the text breaks at spaces to the box's width (a word
// wider than the box sticks out). Lines are `lineSpacing` times the font's line spacing apart.
QRectF TextExtent(const QFont& font, const QString& text, const QRectF& box,
                  Qt::Alignment alignment, bool wrap, qreal lineSpacing = 1.0);

// Whether the label's text, in its font, wrapped as it wraps, lies inside its contents rectangle.
// An empty text fits.
bool TextFitsLabel(const QLabel& label);

// How a caption that is too long for its place may use more lines.
enum class FitWrap {
  kAsDesigned,  // keeps the label's own wrapping
  kWhenTooLong  // a one-line caption that does not fit even at the smallest size wraps
};

// Gives the label the largest pixel size from `largest` down to `smallest` at which its text
// fits (see TextFitsLabel); the smallest when none does. Returns whether the text fits.
bool FitLabelText(QLabel* label, int largest, int smallest, FitWrap wrap = FitWrap::kAsDesigned);

}  // namespace vortik
