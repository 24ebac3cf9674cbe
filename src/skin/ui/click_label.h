// ClickLabel: a transparent label that reports left-button clicks (labels of the skinned window
// act as buttons and tab captions).
#pragma once

#include <QLabel>

namespace vortik {

class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  ClickLabel(QWidget* parent, const char* name, int x, int y, int width, int height);

  // Distance of wrapped lines as a fraction of the font's line spacing. Fonts with tall line
  // boxes would push a second line off a small plate; 1.0 leaves the label's own drawing.
  void SetLineSpacing(qreal factor);
  qreal lineSpacing() const { return lineSpacing_; }

 Q_SIGNALS:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  // A label button (see MakeSkinButton) is clicked by Enter and Space.
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void PaintText(QPaintEvent* event);

  bool pressed_ = false;
  qreal lineSpacing_ = 1.0;
};

// Gives a label of the skinned window its face and pixel size, its text colour (the system grey
// while disabled), its alignment and its wrapping.
void StyleLabel(QLabel* label, const QString& face, int pixelSize, const QColor& colour,
                Qt::Alignment alignment, bool wordWrap);

}  // namespace vortik
