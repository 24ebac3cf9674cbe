// A left click (press and release) delivered straight to a widget, as the user's mouse would.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace vortik::test {

inline void SendLeftClick(QWidget* target, QPointF local) {
  const QPointF global = target->mapToGlobal(local);
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

}  // namespace vortik::test
