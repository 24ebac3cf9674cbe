#include "app/app_main.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <memory>

#include "app/entry.h"
#include "app/form_main.h"
#include "base/pending_events.h"
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

}  // namespace

int RunApplication(int argc, char** argv) {
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
