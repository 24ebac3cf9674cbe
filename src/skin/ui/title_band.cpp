#include "skin/ui/title_band.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace vortik {

TitleBandDrag::TitleBandDrag(QWidget* window, int bandHeight)
    : QObject(window), window_(window), bandHeight_(bandHeight) {
  window->setMouseTracking(true);
  window->installEventFilter(this);
}

bool TitleBandDrag::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  if (event->type() == QEvent::MouseButtonPress) {
    auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() == Qt::LeftButton && press->position().y() < bandHeight_) {
      QWindow* handle = window_->windowHandle();
      const bool started = handle != nullptr && handle->startSystemMove();
      Q_EMIT moveRequested(started);
      return true;
    }
  } else if (event->type() == QEvent::MouseMove) {
    const auto* move = static_cast<QMouseEvent*>(event);
    window_->setCursor(move->position().y() < bandHeight_ ? Qt::PointingHandCursor
                                                          : Qt::ArrowCursor);
  }
  return false;
}

}  // namespace vortik
