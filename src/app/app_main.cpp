#include "app/app_main.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/entry.h"
#include "app/form_main.h"
#include "app/manual.h"
#include "base/pending_events.h"
#include "dtc/dtc_file.h"
#include "i18n/fonts.h"
#include "i18n/form1.h"
#include "i18n/lang_table.h"
#include "net/form2.h"
#include "net/form4.h"
#include "net/pickers.h"
#include "net/pickers_ui.h"
#include "platform/folders.h"
#include "platform/process.h"

namespace vortik {

namespace {

// The standard exception box: the error's text, or an empty message for foreign errors.
void ShowExceptionBox(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("VORTIK"), text, QMessageBox::Ok);
  box.exec();
}

// For installation checks (CI, tests): once the main window has painted, tells what it showed
// and where its texts came from, and ends the program.
class FirstPaintQuit : public QObject {
 public:
  explicit FirstPaintQuit(TFormMain* form) : QObject(form), form_(form) {
    form->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == form_ && event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // After the paint has been handled: the window has been drawn once.
      QTimer::singleShot(0, this, [this] {
        const auto* tab = form_->findChild<QLabel*>(QStringLiteral("Label_InternetUpgrade"));
        const auto* status = form_->findChild<QLabel*>(QStringLiteral("Label_Status"));
        std::printf(
            "vortik: first paint; language %d; tab \"%s\"; status \"%s\"; texts %s; DTC table "
            "%s; manual %s\n",
            form_->state().langIndex, tab != nullptr ? qPrintable(tab->text()) : "",
            status != nullptr ? qPrintable(status->text()) : "", LanguageFilePath().c_str(),
            FindDtcTable().c_str(), FindManualFolder().c_str());
        std::fflush(stdout);
        form_->close();
      });
    }
    return false;
  }

 private:
  TFormMain* form_;
  bool seen_ = false;
};

}  // namespace

int RunApplication(int argc, char** argv) {
  if (std::optional<int> done = HandleCommandLine(argc, argv, stdout, stderr)) return *done;
  QApplication app(argc, argv);
  std::unique_ptr<TFormMain> formMain;
  try {
    QApplication::setApplicationName(QStringLiteral("VORTIK"));
    QApplication::setApplicationDisplayName(QStringLiteral("VORTIK"));
    InstallFontSubstitutions();
    SetPendingEventsHandler([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    formMain = std::make_unique<TFormMain>();
    // The three dialogs are created after the main window, hidden, and live until exit.
    auto* form1 = new TForm1(formMain.get());
    QObject::connect(form1, &TForm1::restartRequested, [] { RestartRequested() = true; });
    auto* form2 = new TForm2(formMain.get());
    auto* form4 = new TForm4(formMain.get());
    formMain->AttachDialogs(form1, form2, form4);
    BindProductPickers(form2, form4);
    SetLanguageNameReader(
        [](const std::string& code) { return LanguageDisplayName(LanguageFilePath(), code); });
    if (qEnvironmentVariableIsSet("VORTIK_QUIT_AFTER_FIRST_PAINT")) {
      new FirstPaintQuit(formMain.get());
    }
    formMain->show();
    QApplication::exec();
  } catch (const std::exception& e) {
    ShowExceptionBox(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowExceptionBox(QString());
  }
  SetPendingEventsHandler(nullptr);
  formMain.reset();
  return FinishEntry([] { return platform::StartDetached(platform::SelfExecutable()); });
}

}  // namespace vortik
