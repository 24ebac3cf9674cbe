// One scripted internet upgrade of the demo, then a capture cut off by the plug, photographed:
// the documentation's screenshots and `make demo` without a display. Linked into
// vortik-demo-shots (the demo entry plus this file) and active only when VORTIK_DEMO_SHOTS names
// a folder: it photographs the window before the click on "Check Update", while the gauge moves
// during a burn and when the closing message is up, and answers that message. While the tool
// restarts it opens the Print tab; once the tool is back it asks it for part of a capture, after
// which the tool is unplugged in the middle of a frame, and photographs the chart once the
// capture has ended; when the tool is back again it asks for a report and photographs it, then
// closes the window. Every status text and the message are printed as they appear. The screen
// is grabbed, so the message box shows as the user sees it.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "app/ui/form_main.h"
#include "device/frame.h"
#include "print/ui/print_page.h"
#include "print/ui/print_panel.h"
#include "print/ui/report_view.h"
#include "print/ui/wave_chart.h"
#include "skin/ui/message_box.h"

namespace {

class Director : public QObject {
 public:
  explicit Director(QString folder) : folder_(std::move(folder)) {
    QDir().mkpath(folder_);
    connect(&tick_, &QTimer::timeout, this, [this] { Step(); });
    tick_.start(40);
    // Status texts can last only a few milliseconds; they are looked at more often.
    connect(&statusTick_, &QTimer::timeout, this, [this] { PrintStatus(); });
    statusTick_.start(5);
    clock_.start();
  }

 private:
  enum class Phase {
    kWaitReady,
    kRunning,
    kAnswered,
    kWaitGone,
    kWaitBack,
    kBack,
    kCutCapture,
    kWaitReplug,
    kReplugged,
    kReport,
    kDone
  };
  static constexpr qint64 kRestartWaitMs = 15000;
  // A connection just made is left alone this long before the tool is asked for anything.
  static constexpr qint64 kSettleMs = 1000;
  // The last picture of the Print page is taken this long after what it shows has come.
  static constexpr qint64 kPaintMs = 500;

  void PrintStatus() {
    vortik::TFormMain* form = Form();
    if (form == nullptr) return;
    if (boxSeenAt_ >= 0 && form->state().comPort <= 0) sawGone_ = true;
    const QString text = form->findChild<QLabel*>(QStringLiteral("Label_Status"))->text();
    if (text == lastStatus_) return;
    lastStatus_ = text;
    std::printf("demo: status \"%s\"\n", qPrintable(text));
    std::fflush(stdout);
  }

  vortik::TFormMain* Form() const {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* form = qobject_cast<vortik::TFormMain*>(widget)) return form;
    }
    return nullptr;
  }

  void Shoot(vortik::TFormMain& form, const char* name) {
    const QRect area = form.frameGeometry();
    QPixmap shot = form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString path = folder_ + "/" + QString::fromLatin1(name) + ".png";
    std::printf("demo-shots: %s %s\n", qPrintable(path), shot.save(path, "PNG") ? "" : "FAILED");
    std::fflush(stdout);
  }

  static vortik::PrintPanel* PrintPanel(vortik::TFormMain& form) {
    return static_cast<vortik::PrintPage*>(form.page(vortik::PageId::kPrint))->panel();
  }

  // Sends the emulated tool one of the demo's requests (it gets no answer).
  static void AskTool(vortik::TFormMain& form, uint16_t code) {
    uint8_t frame[vortik::kFrameOverhead];
    const int length = vortik::BuildFrame(frame, code, nullptr, 0);
    form.SyncUart().SendData(frame, length);
  }

  static void Click(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
  }

  void Step() {
    vortik::TFormMain* form = Form();
    if (form == nullptr || !form->isVisible()) return;
    switch (phase_) {
      case Phase::kWaitReady:
        // The tool is open and the connectivity poll has seen the (loopback) network.
        if (clock_.elapsed() < 2500 || form->state().comPort <= 0 ||
            !form->state().internetConnected) {
          return;
        }
        Shoot(*form, "demo_before");
        phase_ = Phase::kRunning;
        // The click runs the whole upgrade; this timer keeps ticking inside its waits.
        QTimer::singleShot(0, form, [form] {
          // The caption lets clicks through to its button.
          if (auto* button = form->findChild<QWidget*>(QStringLiteral("Button_InternetUpdate"))) {
            Click(button);
          }
        });
        return;
      case Phase::kRunning: {
        const auto* gauge = form->findChild<QProgressBar*>(QStringLiteral("ProgressBar10"));
        const auto* status = form->findChild<QLabel*>(QStringLiteral("Label_Status"));
        const bool burning = status->text().startsWith(QStringLiteral("Burning"));
        if (!shotDuring_ && burning && gauge->maximum() > 0 &&
            gauge->value() * 100 >= gauge->maximum() * 45) {
          Shoot(*form, "demo_during");
          shotDuring_ = true;
        }
        QDialog* box = vortik::ActiveMessageBox();
        if (box == nullptr) return;
        if (boxSeenAt_ < 0) boxSeenAt_ = clock_.elapsed();
        if (clock_.elapsed() - boxSeenAt_ < 500) return;  // let it paint
        std::printf("demo: message \"%s\"\n", qPrintable(vortik::MessageBoxText(box)));
        std::fflush(stdout);
        Shoot(*form, "demo_after");
        box->accept();
        phase_ = Phase::kAnswered;
        return;
      }
      case Phase::kAnswered:
        if (form->state().upgradeMode != 0) return;
        phase_ = Phase::kWaitGone;
        waitFrom_ = clock_.elapsed();
        return;
      case Phase::kWaitGone:
        // The tool restarts after its upgrade: gone from the status line, then back. The Print
        // tab opens meanwhile, so the demo's push on opening it does not come: the scene below
        // asks the tool for what it shows.
        if (sawGone_) {
          form->SwitchTabImgBtn(1);
          phase_ = Phase::kWaitBack;
        } else if (clock_.elapsed() - waitFrom_ > kRestartWaitMs) {
          Finish(*form, "demo: the tool did not restart");
        }
        return;
      case Phase::kWaitBack:
        Await(*form, form->state().comPort > 0, Phase::kBack, "demo: the tool did not come back");
        return;
      case Phase::kBack:
        if (AskWhenSettled(
                *form, vortik::kCodeDemoPushCutCapture, Phase::kCutCapture,
                "demo: the tool pushes a capture and is unplugged in the middle of it")) {
          unplugged_ = false;
        }
        return;
      case Phase::kCutCapture: {
        // The chart shows what came of the capture once it has ended without its end frame.
        if (form->state().comPort <= 0) unplugged_ = true;
        const bool ended = form->state().waveLength > 0 && form->state().waveRestart;
        if (unplugged_ && ended && PrintPanel(*form)->Chart1->isVisible()) {
          if (endedAt_ < 0) endedAt_ = clock_.elapsed();
          if (clock_.elapsed() - endedAt_ < kPaintMs) return;
          std::printf("demo: the capture ended with %d samples\n", form->state().waveLength / 2);
          Shoot(*form, "demo_capture_unplugged");
          phase_ = Phase::kWaitReplug;
          waitFrom_ = clock_.elapsed();
        } else if (clock_.elapsed() - waitFrom_ > kRestartWaitMs) {
          Finish(*form, "demo: the cut-off capture did not end on the chart");
        }
        return;
      }
      case Phase::kWaitReplug:
        Await(*form, form->state().comPort > 0, Phase::kReplugged,
              "demo: the tool was not plugged in again");
        return;
      case Phase::kReplugged:
        if (AskWhenSettled(*form, vortik::kCodeDemoPushReport, Phase::kReport,
                           "demo: the tool, plugged in again, pushes a report")) {
          reportAt_ = -1;
        }
        return;
      case Phase::kReport: {
        vortik::PrintPanel* page = PrintPanel(*form);
        const bool shown = !page->Chart1->isVisible() &&
                           page->RichEdit->ReportPlainText().contains(QStringLiteral("firmware"));
        if (shown) {
          if (reportAt_ < 0) reportAt_ = clock_.elapsed();
          if (clock_.elapsed() - reportAt_ < kPaintMs) return;
          Shoot(*form, "demo_report_after_replug");
          Finish(*form, nullptr);
        } else if (clock_.elapsed() - waitFrom_ > kRestartWaitMs) {
          Finish(*form, "demo: the report after the replug did not show");
        }
        return;
      }
      case Phase::kDone:
        return;
    }
  }

  // Moves on to `next`, whose wait starts now, once `done`; ends the demo with `failure` when
  // the wait has lasted kRestartWaitMs.
  void Await(vortik::TFormMain& form, bool done, Phase next, const char* failure) {
    if (done) {
      phase_ = next;
      waitFrom_ = clock_.elapsed();
    } else if (clock_.elapsed() - waitFrom_ > kRestartWaitMs) {
      Finish(form, failure);
    }
  }

  // Once the connection has settled: says what comes, asks the tool for it with `code` and moves
  // on to `next`, whose wait starts now. False while it is still settling.
  bool AskWhenSettled(vortik::TFormMain& form, uint16_t code, Phase next, const char* says) {
    if (clock_.elapsed() - waitFrom_ < kSettleMs) return false;
    std::printf("%s\n", says);
    std::fflush(stdout);
    AskTool(form, code);
    phase_ = next;
    waitFrom_ = clock_.elapsed();
    return true;
  }

  void Finish(vortik::TFormMain& form, const char* problem) {
    PrintStatus();
    if (problem != nullptr) {
      std::printf("%s\n", problem);
      std::fflush(stdout);
    }
    phase_ = Phase::kDone;
    form.close();
  }

  QString folder_;
  QTimer tick_;
  QTimer statusTick_;
  QString lastStatus_;
  qint64 waitFrom_ = 0;
  bool sawGone_ = false;  // the tool was seen gone after the closing message came up
  QElapsedTimer clock_;
  Phase phase_ = Phase::kWaitReady;
  bool shotDuring_ = false;
  qint64 boxSeenAt_ = -1;
  bool unplugged_ = false;  // the tool was seen gone after it was asked for the cut-off capture
  qint64 endedAt_ = -1;     // when the cut-off capture was first seen ended on the chart
  qint64 reportAt_ = -1;    // when the report after the replug was first seen
};

void StartDirector() {
  const QString folder = qEnvironmentVariable("VORTIK_DEMO_SHOTS");
  if (folder.isEmpty()) return;
  (new Director(folder))->setParent(QCoreApplication::instance());
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDirector)
