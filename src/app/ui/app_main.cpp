#include "app/ui/app_main.h"

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
#include "app/manual.h"
#include "app/ui/form_main.h"
#include "dtc/dtc_file.h"
#include "i18n/lang_table.h"
#include "i18n/ui/language_dialog.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "upgrade/history.h"
#include "upgrade/pickers.h"
#include "upgrade/ui/car_type_picker.h"
#include "upgrade/ui/language_picker.h"
#include "upgrade/ui/picker_dialogs.h"

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
  FirstPaintQuit(TFormMain* form, std::string textsPath)
      : QObject(form), form_(form), textsPath_(std::move(textsPath)) {
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
            status != nullptr ? qPrintable(status->text()) : "", textsPath_.c_str(),
            FindDtcTable().c_str(), FindManualFolder().c_str());
        std::fflush(stdout);
        form_->close();
      });
    }
    return false;
  }

 private:
  TFormMain* form_;
  std::string textsPath_;
  bool seen_ = false;
};

// A dialog made the first time it is asked for, as a child of `owner`, then kept: nothing needs
// the dialogs before a click, so they cost nothing before the window first shows. Gives nullptr
// once the owner has gone.
template <class Form>
std::function<Form*()> OnFirstUse(QWidget* owner, std::function<Form*(QWidget*)> make) {
  auto made = std::make_shared<QPointer<Form>>();
  return [made, owner = QPointer<QWidget>(owner), make = std::move(make)]() -> Form* {
    if (made->isNull() && !owner.isNull()) *made = make(owner.data());
    return made->data();
  };
}

}  // namespace

std::unique_ptr<TFormMain> BuildApplicationWindow(const AppConfig& config) {
  QApplication::setApplicationName(QStringLiteral("VORTIK"));
  QApplication::setApplicationDisplayName(QStringLiteral("VORTIK"));
  Services services;
  // Every upgrade and local flash of the window is recorded in the user's history file.
  services.recordHistory = FileHistorySink(HistoryFilePath());
  auto formMain = std::make_unique<TFormMain>(config, std::move(services));
  const LanguageFiles language = ResolveLanguageFiles(config.language);
  formMain->SetLanguageDialog(OnFirstUse<TForm1>(formMain.get(), [language](QWidget* owner) {
    auto* form1 = new TForm1(owner, language);
    QObject::connect(form1, &TForm1::restartRequested, [] { RestartRequested() = true; });
    return form1;
  }));
  BindProductPickers(
      formMain->services(),
      OnFirstUse<TForm2>(formMain.get(),
                         [texts = language.texts](QWidget* owner) {
                           auto* form2 = new TForm2(owner);
                           form2->SetLanguageNames([texts](const std::string& code) {
                             return LanguageDisplayName(texts, code);
                           });
                           return form2;
                         }),
      OnFirstUse<TForm4>(formMain.get(), [](QWidget* owner) { return new TForm4(owner); }));
  return formMain;
}

int RunApplication(int argc, char** argv, AppConfig config, bool readConfigFiles) {
  if (std::optional<int> done =
          HandleCommandLine(argc, argv, stdout, stderr, config, readConfigFiles)) {
    return *done;
  }
  QApplication app(argc, argv);
  std::unique_ptr<TFormMain> formMain;
  try {
    formMain = BuildApplicationWindow(config);
    if (qEnvironmentVariableIsSet("VORTIK_QUIT_AFTER_FIRST_PAINT")) {
      new FirstPaintQuit(formMain.get(), ResolveLanguageFiles(config.language).texts);
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
