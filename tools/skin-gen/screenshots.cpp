// Renders the main window offscreen into PNG files: each tab, connected, during an upgrade, in
// Russian and Chinese, the language dialog, and the window and the dialog in all twelve
// languages side by side: vortik-screenshots <folder>. Run it in the
// runnable folder so the window finds its data; the shipped lang.ini is not changed.
// `vortik-screenshots --access <folder>` takes only the pictures of the window at device pixel
// ratios 1, 1.5 and 2 and of the keyboard focus ring, in English and Chinese.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "app/ui/form_main.h"
#include "app/ui/main_menu.h"
#include "app/ui/manual_browser.h"
#include "base/app_config.h"
#include "feedback/feedback.h"
#include "i18n/lang_table.h"
#include "i18n/ui/fonts.h"
#include "i18n/ui/language_dialog.h"
#include "print/ui/print_page.h"
#include "print/ui/print_panel.h"
#include "scantool_sim.h"
#include "skin/ui/dialogs.h"
#include "skin/ui/message_box.h"
#include "update_server_sim.h"
#include "upgrade/ui/internet_upgrade_page.h"

namespace {

// The window's configuration for the pictures: the copy of the language file (`langCopy`).
vortik::AppConfig ShotConfig(const QString& langCopy) {
  vortik::AppConfig config;
  config.language = {langCopy.toStdString(), langCopy.toStdString()};
  return config;
}

// Message boxes print their text instead of waiting for a click, but for the one a picture shows.
std::shared_ptr<const vortik::Dialogs> PrintedMessages() {
  auto dialogs = std::make_shared<vortik::Dialogs>();
  dialogs->message = [](QWidget*, const QString& text, const QString&) {
    std::printf("screenshots: message box \"%s\"\n", qPrintable(text));
  };
  return dialogs;
}

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// The Print page with the emulated tool's sample report handed to its receiver, as the receive
// timer would; with `capture`, then a capture without its end frame and the chart's ticks until
// the whole capture is in view.
void ShowPrintPage(vortik::TFormMain& form, bool capture) {
  form.SwitchTabImgBtn(1);
  form.printPage()->UartReadTimer->stop();  // no port: the pictures show what is handed over below
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
  form.printPage()->TimerMonitorWaveRecv->stop();
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

// The window with `overlay` (a popup or a message box, grabbed on its own) drawn at `at`.
bool SaveComposed(QWidget& form, const QPixmap& overlay, QPoint at, const QString& path) {
  QPixmap shot = form.grab();
  QPainter painter(&shot);
  painter.drawPixmap(at, overlay);
  painter.end();
  std::printf("screenshots: %s\n", qPrintable(path));
  return shot.save(path, "PNG");
}

// Runs `action`, which opens one real message box, and photographs the box over the window
// before closing it.
bool ShootMessageBox(QWidget& form, const std::function<void()>& action, const QString& path) {
  vortik::InstallDialogs(&form, std::make_shared<vortik::Dialogs>());
  bool saved = false;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QDialog* box = vortik::ActiveMessageBox();
    if (box == nullptr) return;
    poll.stop();
    Settle();
    const QPoint at((form.width() - box->width()) / 2, (form.height() - box->height()) / 2);
    saved = SaveComposed(form, box->grab(), at, path);
    box->accept();
  });
  poll.start();
  action();
  poll.stop();
  vortik::InstallDialogs(&form, PrintedMessages());
  return saved;
}

void FillFeedbackForm(QWidget& form, const QStringList& texts) {
  for (int i = 0; i < vortik::kFeedbackFieldCount && i < texts.size(); ++i) {
    const QString name =
        QString::fromLatin1(vortik::FeedbackFields()[static_cast<size_t>(i)].control);
    if (auto* line = form.findChild<QLineEdit*>(name)) {
      line->setText(texts[i]);
      line->setCursorPosition(0);
    }
    if (auto* edit = form.findChild<QPlainTextEdit*>(name)) edit->setPlainText(texts[i]);
  }
}

// The pages of the menu, the open menu, the feedback form and its messages, the about box.
bool ShootMenuAndForms(const QString& folder, const QString& langCopy) {
  bool ok = true;
  vortik::sim::UpdateServerSim feedbackServer((folder + "/.feedback-server").toStdString());
  ok = feedbackServer.Start() && ok;
  vortik::AppConfig config = ShotConfig(langCopy);
  config.feedbackServer = feedbackServer.BaseUrl();

  const struct {
    int language;
    const char* suffix;
    QStringList feedback;
  } languages[] = {
      {2,
       "",
       {"TQ460", "Jan Novak, +420 600 123 456", "jan.novak@example.com", "Skoda",
        "Octavia III 1.6 TDI", "2014-03", "Czech Republic", "TMBJJ7NE1E0123456",
        "Live data shows no fuel pressure (PID 23) while the engine runs.\n"
        "The scan tool reads the stored codes but freezes on the freeze frame."}},
      {6,
       "_de",
       {"TQ460", "Max Mustermann", "max@example.de", "Volkswagen", "Golf VII", "2016-09",
        "Deutschland", "WVWZZZAUZGW000001",
        "Fehlercode P0420 wird nach dem Löschen sofort wieder angezeigt."}},
      {1,
       "_cn",
       {"TQ460", "张伟 138 0000 0000", "zhangwei@example.cn", "丰田", "卡罗拉", "2018-06", "中国",
        "LVGBE40K08G000001", "读取故障码后无法清除，发动机故障灯仍然亮着。"}},
  };
  for (const auto& l : languages) {
    vortik::WriteStoredLanguage(langCopy.toStdString(), l.language);
    vortik::TFormMain form(config);
    vortik::InstallDialogs(&form, PrintedMessages());
    form.internetUpgradePage()->TimerCheckInternet->stop();
    form.show();
    const QString suffix = QString::fromLatin1(l.suffix);
    // The manual beside this program is not the one of the runnable folder it runs in.
    if (auto* browser = form.findChild<vortik::ManualBrowser*>()) {
      browser->LoadManualList((QDir::currentPath() + QStringLiteral("/manual/")).toStdString());
    }

    form.ShowPage(vortik::PageId::kFeedback);
    FillFeedbackForm(form, l.feedback);
    ok = Shoot(form, folder, qPrintable("feedback_page" + suffix)) && ok;
    form.ShowPage(vortik::PageId::kManual);
    ok = Shoot(form, folder, qPrintable("manual_page" + suffix)) && ok;

    vortik::MainMenuButton* button = form.menuButton();
    QMenu* menu = button->popup();
    menu->popup(button->mapToGlobal(QPoint(0, button->height() + 2)));
    Settle();
    ok = SaveComposed(form, menu->grab(), menu->pos() - form.pos(),
                      folder + "/menu" + suffix + ".png") &&
         ok;
    menu->hide();

    if (l.language == 2) {
      form.ShowPage(vortik::PageId::kLocalUpgrade);
      ok = Shoot(form, folder, "local_upgrade") && ok;
      ok = ShootMessageBox(
               form, [&] { button->aboutAction()->trigger(); }, folder + "/about_box.png") &&
           ok;
      // Every message of the form, each through the real message box.
      form.ShowPage(vortik::PageId::kFeedback);
      auto* summit = form.findChild<QPushButton*>(QStringLiteral("Button_summit"));
      auto* product = form.findChild<QLineEdit*>(QStringLiteral("RichEdit_Product"));
      auto* problems = form.findChild<QPlainTextEdit*>(QStringLiteral("RichEdit_Problems"));
      product->clear();
      ok = ShootMessageBox(
               form, [&] { summit->click(); }, folder + "/feedback_empty_field.png") &&
           ok;
      product->setText(QStringLiteral("TQ460"));
      const QString typed = problems->toPlainText();
      problems->setPlainText(QString(70000, QLatin1Char('x')));
      ok = ShootMessageBox(
               form, [&] { summit->click(); }, folder + "/feedback_too_long.png") &&
           ok;
      problems->setPlainText(typed);
      vortik::sim::SimFault down;
      down.status = 503;
      feedbackServer.SetFault(vortik::kFeedbackPath, down);
      ok = ShootMessageBox(
               form, [&] { summit->click(); }, folder + "/feedback_failed.png") &&
           ok;
      feedbackServer.ClearFaults();
      ok = ShootMessageBox(
               form, [&] { summit->click(); }, folder + "/feedback_sent.png") &&
           ok;
      ok = Shoot(form, folder, "feedback_page_after_sending") && ok;
    } else if (l.language == 6) {
      form.ShowPage(vortik::PageId::kFeedback);
      form.findChild<QLineEdit*>(QStringLiteral("RichEdit_Email"))->clear();
      auto* summit = form.findChild<QPushButton*>(QStringLiteral("Button_summit"));
      ok = ShootMessageBox(
               form, [&] { summit->click(); }, folder + "/feedback_empty_field_de.png") &&
           ok;
    }
  }
  QDir(folder + "/.feedback-server").removeRecursively();
  return ok;
}

// The main window and the language dialog in each of the twelve languages, each as a file of
// its own in `frames` (for looking at them one by one) and together as two montages in
// `folder`: languages_main_window.png and languages_dialog.png.
bool ShootEveryLanguage(const QString& folder, const QString& frames, const QString& langCopy) {
  QDir().mkpath(frames);
  constexpr int kColumns = 4;
  constexpr int kCaptionHeight = 30;
  const auto languages = vortik::Languages();
  std::vector<QPixmap> windows;
  std::vector<QPixmap> dialogs;
  bool ok = true;
  for (const vortik::LanguageInfo& l : languages) {
    vortik::WriteStoredLanguage(langCopy.toStdString(), l.number);
    vortik::InstallFontSubstitutions(l.number);
    vortik::TFormMain form(ShotConfig(langCopy));
    vortik::InstallDialogs(&form, PrintedMessages());
    form.internetUpgradePage()->TimerCheckInternet->stop();
    form.show();
    Settle();
    windows.push_back(form.grab());
    vortik::TForm1 dialog(&form, ShotConfig(langCopy).language);
    dialog.show();
    Settle();
    dialogs.push_back(dialog.grab());
    dialog.hide();
    const QString section = QString::fromLatin1(l.section);
    ok = windows.back().save(frames + "/main_window_" + section + ".png", "PNG") && ok;
    ok = dialogs.back().save(frames + "/language_dialog_" + section + ".png", "PNG") && ok;
  }
  vortik::InstallFontSubstitutions(vortik::kDefaultLanguage);
  const auto montage = [&](const std::vector<QPixmap>& shots, const char* name) {
    const QSize cell = shots.front().size() / 2;
    const int rows = (static_cast<int>(shots.size()) + kColumns - 1) / kColumns;
    QPixmap sheet(cell.width() * kColumns, (cell.height() + kCaptionHeight) * rows);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (size_t i = 0; i < shots.size(); ++i) {
      const int x = static_cast<int>(i % kColumns) * cell.width();
      const int y = static_cast<int>(i / kColumns) * (cell.height() + kCaptionHeight);
      const vortik::LanguageInfo& l = languages[i];
      // The language's own name, drawn with the mapping of its own script.
      vortik::InstallFontSubstitutions(l.number);
      QFont named(QStringLiteral("微软雅黑"));
      named.setPixelSize(18);
      painter.setFont(named);
      painter.setPen(Qt::black);
      painter.drawText(QRect(x, y, cell.width(), kCaptionHeight), Qt::AlignCenter,
                       QStringLiteral("%1  (%2)").arg(QString::fromUtf8(l.name)).arg(l.number));
      painter.drawPixmap(QRect(QPoint(x, y + kCaptionHeight), cell), shots[i]);
    }
    painter.end();
    vortik::InstallFontSubstitutions(vortik::kDefaultLanguage);
    const QString path = folder + "/" + QString::fromLatin1(name) + ".png";
    std::printf("screenshots: %s\n", qPrintable(path));
    return sheet.save(path, "PNG");
  };
  ok = montage(windows, "languages_main_window") && ok;
  ok = montage(dialogs, "languages_dialog") && ok;
  return ok;
}

// The window rendered at device pixel ratio `ratio`, as a screen of that scale shows it.
bool ShootAtRatio(QWidget& form, qreal ratio, const QString& path) {
  Settle();
  QPixmap shot(form.size() * ratio);
  shot.setDevicePixelRatio(ratio);
  shot.fill(Qt::black);
  form.render(&shot);
  std::printf("screenshots: %s\n", qPrintable(path));
  return shot.save(path, "PNG");
}

// The part of `window` around `control`, with the keyboard focus on it, at ratio 2.
bool ShootFocus(QWidget& window, QWidget* control, const QString& path) {
  if (control == nullptr) return false;
  window.activateWindow();
  QApplication::setActiveWindow(&window);
  control->setFocus(Qt::TabFocusReason);
  Settle();
  const QRect around =
      QRect(control->mapTo(&window, QPoint(0, 0)), control->size()).adjusted(-24, -16, 24, 16) &
      window.rect();
  constexpr qreal kRatio = 2;
  QPixmap shot(around.size() * kRatio);
  shot.setDevicePixelRatio(kRatio);
  window.render(&shot, QPoint(), QRegion(around));
  std::printf("screenshots: %s\n", qPrintable(path));
  return shot.save(path, "PNG");
}

bool ShootAccess(const QString& folder, const QString& langCopy) {
  bool ok = true;
  const struct {
    int language;
    const char* suffix;
  } languages[] = {{2, "en"}, {1, "cn"}};
  for (const auto& l : languages) {
    vortik::WriteStoredLanguage(langCopy.toStdString(), l.language);
    vortik::AppConfig config = ShotConfig(langCopy);
    // Rendered at ratios the offscreen screen does not have: the drawings at twice the size are
    // asked for, as a high-resolution screen gets them.
    config.doubledPictures = true;
    vortik::TFormMain form(config);
    vortik::InstallDialogs(&form, PrintedMessages());
    form.internetUpgradePage()->TimerCheckInternet->stop();
    form.show();
    const QString suffix = QString::fromLatin1(l.suffix);
    if (l.language == 2) {
      const struct {
        qreal ratio;
        const char* name;
      } ratios[] = {
          {1, "main_window_ratio_1"}, {1.5, "main_window_ratio_1_5"}, {2, "main_window_ratio_2"}};
      for (const auto& r : ratios) {
        ok = ShootAtRatio(form, r.ratio, folder + "/" + QString::fromLatin1(r.name) + ".png") && ok;
      }
    }
    // The Print page's buttons are enabled without a tool.
    form.SwitchTabImgBtn(1);
    ok = ShootFocus(form, form.findChild<QWidget*>(QStringLiteral("imgbtn_print")),
                    folder + "/focus_picture_button_" + suffix + ".png") &&
         ok;
    ok = ShootFocus(form, form.findChild<QWidget*>(QStringLiteral("TabImgBtn2")),
                    folder + "/focus_tab_" + suffix + ".png") &&
         ok;
    vortik::TForm1 dialog(&form, ShotConfig(langCopy).language);
    dialog.show();
    ok = ShootFocus(dialog, dialog.findChild<QWidget*>(QStringLiteral("Label_Confirm")),
                    folder + "/focus_label_button_" + suffix + ".png") &&
         ok;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool access = argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--access");
  if (argc != 2 && !access) {
    std::fprintf(stderr, "usage: vortik-screenshots [--access] <folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[access ? 2 : 1]);
  QDir().mkpath(folder);
  // A copy of the shipped language file, so the language can be chosen per picture.
  const QString langCopy = folder + "/.lang-screenshots.ini";
  QFile::remove(langCopy);
  if (!QFile::copy(QStringLiteral("lang.ini"), langCopy)) {
    std::fprintf(stderr, "screenshots: no lang.ini in the current folder\n");
    return 1;
  }
  if (access) {
    const bool shot = ShootAccess(folder, langCopy);
    QFile::remove(langCopy);
    return shot ? 0 : 1;
  }
  bool ok = true;
  {
    vortik::WriteStoredLanguage(langCopy.toStdString(), 2);
    vortik::TFormMain form(ShotConfig(langCopy));
    vortik::InstallDialogs(&form, PrintedMessages());
    form.internetUpgradePage()
        ->TimerCheckInternet->stop();  // the pictures show the states chosen below
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
    form.internetUpgradePage()->TimerAnimator->stop();
    ok = Shoot(form, folder, "tab0_internet_connected") && ok;
    auto* gauge = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar10"));
    gauge->setRange(0, 100);
    gauge->setValue(62);
    ok = Shoot(form, folder, "tab0_upgrade_progress") && ok;

    vortik::TForm1 dialog(&form, ShotConfig(langCopy).language);
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
    vortik::TFormMain form(ShotConfig(langCopy));
    vortik::InstallDialogs(&form, PrintedMessages());
    form.internetUpgradePage()->TimerCheckInternet->stop();
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
    vortik::TFormMain form(ShotConfig(langCopy));
    vortik::InstallDialogs(&form, PrintedMessages());
    form.internetUpgradePage()->TimerCheckInternet->stop();
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
  ok = ShootMenuAndForms(folder, langCopy) && ok;
  ok = ShootEveryLanguage(folder, QDir::tempPath() + QStringLiteral("/vortik-language-shots"),
                          langCopy) &&
       ok;
  // Message boxes with long texts: a sentence that wraps, in English and German, and a long
  // path that widens the box.
  const struct {
    const char* text;
    const char* name;
  } boxes[] = {
      {"Nothing to be upgrade, The local device is alread the latest!", "message_box_en"},
      {"Kein Update nötig, das Gerät ist bereits auf dem neuesten Stand!", "message_box_de"},
      {"Unable to write to /home/workshop/.config/vortik/lang.ini", "message_box_path"},
  };
  for (const auto& b : boxes) {
    std::unique_ptr<QDialog> box =
        vortik::BuildMessageBox(nullptr, QString::fromUtf8(b.text), QStringLiteral("VORTIK"));
    box->show();
    Settle();
    ok = box->grab().save(folder + "/" + b.name + ".png", "PNG") && ok;
  }
  QFile::remove(langCopy);
  return ok ? 0 : 1;
}
