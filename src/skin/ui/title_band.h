// Moving a frameless window by its top band, as by a title bar: a press of the left button in
// the band hands the move to the window system (which also works where a program may not place
// its own windows), and the pointer shows a hand over the band.
#pragma once

#include <QObject>

class QWidget;

namespace vortik {

class TitleBandDrag : public QObject {
  Q_OBJECT

 public:
  // Watches `window` (its parent) for presses and moves within `bandHeight` pixels of its top.
  TitleBandDrag(QWidget* window, int bandHeight);

 Q_SIGNALS:
  // A press in the band asked the window system to move the window; `started` is its answer
  // (false where it cannot, such as a window system with no pointer, or no window yet).
  void moveRequested(bool started);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  int bandHeight_;
};

}  // namespace vortik
