// Start-up probe for startup_bench: opens a bare 960 x 700 window ("bare") or the VORTIK main
// window ("vortik") and ends the process as soon as the window has been painted once.
#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/form_main.h"
#include "skin/message_box.h"

namespace {

class FirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // After this paint has been drawn; no teardown, only the start is measured.
      QTimer::singleShot(0, [] {
        std::fflush(stdout);
        std::_Exit(0);
      });
    }
    return false;
  }

 private:
  bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
  QApplication app(argc, argv);
  std::unique_ptr<QWidget> window;
  if (bare) {
    window = std::make_unique<QWidget>();
    window->resize(960, 700);
  } else {
    vortik::SetMessageBoxHook([](const QString&) {});
    window = std::make_unique<vortik::TFormMain>();
  }
  FirstPaint watcher;
  window->installEventFilter(&watcher);
  window->show();
  return QApplication::exec();
}
