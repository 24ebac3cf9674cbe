#include "app/app_main.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/entry.h"
#include "app/form_main.h"
#include "app/manual.h"
#include "dtc/dtc_file.h"
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

// A dialog made the first time it is asked for, as a child of `owner`, then kept: nothing needs
// the dialogs before a click, so they cost nothing before the window first shows. Gives nullptr
// once the owner has gone.
template <class Form>
std::function<Form*()> OnFirstUse(QWidget* owner, std::function<void(Form*)> setUp = {}) {
  auto made = std::make_shared<QPointer<Form>>();
  return [made, owner = QPointer<QWidget>(owner), setUp = std::move(setUp)]() -> Form* {
    if (made->isNull() && !owner.isNull()) {
      *made = new Form(owner.data());
      if (setUp) setUp(made->data());
    }
    return made->data();
  };
}

}  // namespace

std::unique_ptr<TFormMain> BuildApplicationWindow(const AppConfig& config) {
  QApplication::setApplicationName(QStringLiteral("VORTIK"));
  QApplication::setApplicationDisplayName(QStringLiteral("VORTIK"));
  auto formMain = std::make_unique<TFormMain>(config);
  formMain->SetLanguageDialog(OnFirstUse<TForm1>(formMain.get(), [](TForm1* form1) {
    QObject::connect(form1, &TForm1::restartRequested, [] { RestartRequested() = true; });
  }));
  BindProductPickers(OnFirstUse<TForm2>(formMain.get()), OnFirstUse<TForm4>(formMain.get()));
  SetLanguageNameReader(
      [](const std::string& code) { return LanguageDisplayName(LanguageFilePath(), code); });
  return formMain;
}

int RunApplication(int argc, char** argv, const AppConfig& config) {
  if (std::optional<int> done = HandleCommandLine(argc, argv, stdout, stderr)) return *done;
  QApplication app(argc, argv);
  std::unique_ptr<TFormMain> formMain;
  try {
    formMain = BuildApplicationWindow(config);
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
  formMain.reset();
  return FinishEntry([] { return platform::StartDetached(platform::SelfExecutable()); });
}

}  // namespace vortik
