// GaugeBar: the progress gauge drawn as a capsule (both ends semicircles), filled from the left.
#pragma once

#include <QColor>
#include <QProgressBar>

namespace vortik {

class GaugeBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit GaugeBar(QWidget* parent);

  void SetColours(QColor back, QColor fore);
  QColor backColour() const { return back_; }
  QColor foreColour() const { return fore_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor back_{0x08, 0x31, 0x5F};
  QColor fore_{0x00, 0xEF, 0x60};
};

}  // namespace vortik
