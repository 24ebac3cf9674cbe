// Start-up probe for startup_bench: builds one window, shows it, and ends the process as soon as
// the window has been painted once. The window is one of:
// - "label": a bare Qt Widgets window with one label in the default font, nothing else loaded;
// - "bare": the same window with the font substitutions installed and the label in the status
//   line's face, so it pays the font set-up the program pays;
// - "vortik": everything the VORTIK program builds before its window first shows.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/ui/app_main.h"
#include "app/ui/form_main.h"
#include "i18n/lang_table.h"
#include "i18n/ui/fonts.h"
#include "skin/ui/dialogs.h"

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
  const char* mode = argc > 1 ? argv[1] : "vortik";
  QApplication app(argc, argv);
  std::unique_ptr<QWidget> window;
  if (std::strcmp(mode, "label") == 0) {
    window = std::make_unique<QWidget>();
    window->resize(960, 700);
    auto* label =
        new QLabel(QStringLiteral("Please connect the device to the computer"), window.get());
    label->setGeometry(16, 664, 905, 20);
  } else if (std::strcmp(mode, "bare") == 0) {
    vortik::InstallFontSubstitutions(vortik::kDefaultLanguage);
    window = std::make_unique<QWidget>();
    window->resize(960, 700);
    auto* label =
        new QLabel(QStringLiteral("Please connect the device to the computer"), window.get());
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(17);
    label->setFont(font);
    label->setGeometry(16, 664, 905, 20);
  } else {
    // The shipped texts, as the installed program reads them beside itself.
    vortik::AppConfig config;
    config.language = {VORTIK_LANG_INI, VORTIK_LANG_INI};
    window = vortik::BuildApplicationWindow(config);
    // No message box may wait for a click while start-up is timed.
    auto silent = std::make_shared<vortik::Dialogs>();
    silent->message = [](QWidget*, const QString&, const QString&) {};
    vortik::InstallDialogs(window.get(), silent);
  }
  FirstPaint watcher;
  window->installEventFilter(&watcher);
  window->show();
  return QApplication::exec();
}
