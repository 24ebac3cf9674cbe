// Renders the main window offscreen into PNG files: each tab, connected, during an upgrade, in
// Russian and Chinese, and the language dialog: vortik-screenshots <folder>. Run it in the
// runnable folder so the window finds its data; the shipped lang.ini is not changed.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QTableWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/form_main.h"
#include "i18n/form1.h"
#include "i18n/lang_table.h"
#include "scantool_sim.h"
#include "skin/message_box.h"
#include "views/print_page.h"
#include "views/print_panel.h"

namespace {

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The Print page with the emulated tool's sample report handed to its receiver, as the receive
// timer would; with `capture`, then a capture without its end frame and the chart's ticks until
// the whole capture is in view.
void ShowPrintPage(vortik::TFormMain& form, bool capture) {
  form.SwitchTabImgBtn(1);
  form.UartReadTimer->stop();  // no port: the pictures show what is handed over below
  vortik::PrintPanel& page =
      *static_cast<vortik::PrintPage*>(form.page(vortik::PageId::kPrint))->panel();
  const std::vector<uint8_t> report = vortik::sim::SampleReport();
  page.receiver().HandleRead(report.data(), static_cast<int>(report.size()));
  if (!capture) return;
  const std::vector<uint8_t> frames = vortik::sim::CaptureFrames(
      vortik::sim::CaptureSamples(vortik::sim::CaptureShape::kCranking, 20000), 2000, false);
  for (size_t at = 0; at < frames.size(); at += 2048) {
    const size_t n = std::min<size_t>(2048, frames.size() - at);
    page.receiver().HandleRead(frames.data() + at, static_cast<int>(n));
  }
  form.TimerMonitorWaveRecv->stop();
  for (int tick = 0; tick < 3; ++tick) page.TimerMonitorWaveRecvTimer();
}

bool Shoot(vortik::TFormMain& form, const QString& folder, const char* name) {
  Settle();
  const QString path = folder + "/" + QString::fromLatin1(name) + ".png";
  if (!form.grab().save(path, "PNG")) {
    std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("screenshots: %s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vortik-screenshots <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  vortik::SetMessageBoxHook([](const QString& text) {
    std::printf("screenshots: message box \"%s\"\n", qPrintable(text));
  });

  // A copy of the shipped language file, so the language can be chosen per picture.
  const QString langCopy = folder + "/.lang-screenshots.ini";
  QFile::remove(langCopy);
  if (!QFile::copy(QStringLiteral("lang.ini"), langCopy)) {
    std::fprintf(stderr, "screenshots: no lang.ini in the current folder\n");
    return 1;
  }
  vortik::SetLanguageFilePath(langCopy.toStdString());
  bool ok = true;
  {
    vortik::WriteStoredLanguage(langCopy.toStdString(), 2);
    vortik::TFormMain form;
    form.TimerCheckInternet->stop();  // the pictures show the states chosen below
    form.show();
    ok = Shoot(form, folder, "main_window") && ok;
    const char* tabs[4] = {"tab0_internet_upgrade", "tab1_print", "tab2_dtc_lookup",
                           "tab3_feedback"};
    for (int tab = 1; tab < 4; ++tab) {
      form.SwitchTabImgBtn(tab);
      ok = Shoot(form, folder, tabs[tab]) && ok;
    }
    ShowPrintPage(form, false);
    ok = Shoot(form, folder, "tab1_print_report") && ok;
    ShowPrintPage(form, true);
    ok = Shoot(form, folder, "tab1_print_chart") && ok;
    form.SwitchTabImgBtn(0);
    form.UpdateInternetState(true);
    form.TimerAnimator->stop();
    ok = Shoot(form, folder, "tab0_internet_connected") && ok;
    auto* gauge = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar10"));
    gauge->setRange(0, 100);
    gauge->setValue(62);
    ok = Shoot(form, folder, "tab0_upgrade_progress") && ok;

    vortik::TForm1 dialog(&form);
    dialog.show();
    Settle();
    ok = dialog.grab().save(folder + "/language_dialog_en.png", "PNG") && ok;
  }
  const struct {
    int language;
    const char* name;
    const char* print;
  } languages[] = {{7, "main_window_ru", nullptr},
                   {1, "main_window_cn", "tab1_print_report_cn"},
                   {6, nullptr, "tab1_print_report_de"}};
  for (const auto& l : languages) {
    vortik::WriteStoredLanguage(langCopy.toStdString(), l.language);
    vortik::TFormMain form;
    form.TimerCheckInternet->stop();
    form.show();
    if (l.name != nullptr) ok = Shoot(form, folder, l.name) && ok;
    if (l.print != nullptr) {
      ShowPrintPage(form, false);
      ok = Shoot(form, folder, l.print) && ok;
    }
  }
  // The DTC Lookup page with a search typed in, in English, German and Chinese.
  const struct {
    int language;
    const char* name;
  } searches[] = {{2, "tab2_dtc_search"}, {6, "tab2_dtc_search_de"}, {1, "tab2_dtc_search_cn"}};
  for (const auto& l : searches) {
    vortik::WriteStoredLanguage(langCopy.toStdString(), l.language);
    vortik::TFormMain form;
    form.TimerCheckInternet->stop();
    form.show();
    form.SwitchTabImgBtn(2);
    if (auto* edit = form.findChild<QLineEdit*>(QStringLiteral("EditSearch"))) {
      edit->setFocus();
      edit->setText(QStringLiteral("p03"));
    }
    if (auto* list = form.findChild<QTableWidget*>(QStringLiteral("DTCLookupList"))) {
      list->setFocus();
      list->setCurrentCell(2, 0);
    }
    ok = Shoot(form, folder, l.name) && ok;
  }
  QFile::remove(langCopy);
  return ok ? 0 : 1;
}
