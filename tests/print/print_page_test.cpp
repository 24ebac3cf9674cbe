// The Print page in the real window: its controls, the pressed look of its labels, the report
// view's actions (clear, copy, edit in three types, print to a PDF file) and the chart.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ui/form_main.h"
#include "device/frame.h"
#include "helpers/click.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "print/ui/print_page.h"
#include "print/ui/print_panel.h"
#include "print/ui/report_view.h"
#include "print/ui/wave_chart.h"
#include "skin/ui/click_label.h"
#include "skin/ui/file_dialog.h"
#include "skin/ui/message_box.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/print_dialog.h"

namespace vortik {
namespace {

using Bytes = std::vector<uint8_t>;

class PrintPageTest : public ::testing::Test {
 protected:
  PrintPageTest() {
    dialogs_.answers->message = [this](QWidget*, const QString& text, const QString&) {
      messages.push_back(text);
    };
    dialogs_.answers->openWithDesktop = [this](const std::string& path) {
      opened.push_back(QString::fromStdString(path));
    };
    form = std::make_unique<TFormMain>(test::TestConfig());
    dialogs_.InstallOn(form.get());
    form->show();
    form->SwitchTabImgBtn(1);
    page = static_cast<vortik::PrintPage*>(form->page(PageId::kPrint))->panel();
  }
  ~PrintPageTest() override { form.reset(); }

  // One read from the tool, as the receive timer hands it on.
  void Read(const Bytes& bytes) {
    page->receiver().HandleRead(bytes.data(), static_cast<int>(bytes.size()));
  }
  void Read(const std::string& text) { Read(Bytes(text.begin(), text.end())); }
  void RedReport() {
    Read("plain\r\n");
    Read(Bytes{0x00, 0x24, 0x24, 0x01, 'I'});
    Read("hot line\r\n");
  }
  void Capture(const std::vector<int>& samples) {
    Bytes payload;
    for (int v : samples) payload.insert(payload.end(), {uint8_t(v & 0xFF), uint8_t(v >> 8)});
    page->AddWaveSamples(payload.data(), static_cast<int>(payload.size()));
    page->TimerMonitorWaveRecvTimer();
  }
  static Bytes WaveFrame(const std::vector<int>& samples, uint16_t code = kCodeWaveSamples) {
    Bytes payload;
    for (int v : samples) payload.insert(payload.end(), {uint8_t(v & 0xFF), uint8_t(v >> 8)});
    Bytes frame(payload.size() + kFrameOverhead);
    BuildReplyFrame(frame.data(), code, payload.data(), static_cast<int>(payload.size()));
    return frame;
  }
  // The colour of the text at `position` of the report.
  QColor ColourAt(int position) {
    QTextCursor cursor(page->RichEdit->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().foreground().color();
  }

  test::TestDialogs dialogs_;
  std::unique_ptr<TFormMain> form;
  PrintPanel* page = nullptr;
  std::vector<QString> messages;
  std::vector<QString> opened;
};

TEST_F(PrintPageTest, ControlsSitAtTheirPlacesOnTheWindow) {
  struct Place {
    QWidget* widget;
    QRect bounds;  // page coordinates
  };
  for (const Place& p :
       {Place{page->imgbtn_print, {15, 0, 140, 46}}, Place{page->imgbtn_edit, {471, 0, 140, 46}},
        Place{page->Label_PrintPrint, {75, 12, 78, 19}}, Place{page->Label_Edit, {537, 12, 72, 19}},
        Place{page->RichEdit, {18, 59, 921, 425}}, Place{page->Chart1, {24, 64, 913, 417}}}) {
    SCOPED_TRACE(p.widget->objectName().toStdString());
    EXPECT_EQ(QRect(p.widget->mapTo(form.get(), QPoint(0, 0)), p.widget->size()),
              p.bounds.translated(0, 156));
  }
  EXPECT_TRUE(page->RichEdit->isVisible());
  EXPECT_FALSE(page->Chart1->isVisible());
  EXPECT_EQ(form->findChild<QWidget*>(QStringLiteral("Label_Copy")), page->Label_Copy);
}

TEST_F(PrintPageTest, LabelPressShowsThePressedPicture) {
  auto shows = [&](const char* name) {
    BitmapRef expected = form->Pictures().LoadBitmapA(name, false);
    BitmapRef canvas = Bitmap::Create(140, 46, 32);
    DrawBitmap(*expected, *canvas, 0, 0, 140, 46, kDefaultBackColour);
    return canvas->pixels == page->imgbtn_copy->surface().pixels;
  };
  ASSERT_TRUE(shows("png:btn_copy_normal"));
  EXPECT_EQ(page->Label_Copy->palette().color(QPalette::WindowText), QColor(28, 102, 183));
  const QPointF at(10, 10);
  QMouseEvent press(QEvent::MouseButtonPress, at, page->Label_Copy->mapToGlobal(at),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(page->Label_Copy, &press);
  EXPECT_TRUE(shows("png:btn_copy_light"));
  EXPECT_TRUE(page->Label_Copy->autoFillBackground());
  EXPECT_EQ(page->Label_Copy->palette().color(QPalette::Window), QColor(0x00, 0xEE, 0x58));
  QMouseEvent release(QEvent::MouseButtonRelease, at, page->Label_Copy->mapToGlobal(at),
                      Qt::RightButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(page->Label_Copy, &release);
  EXPECT_TRUE(shows("png:btn_copy_normal"));
  EXPECT_FALSE(page->Label_Copy->autoFillBackground());
}

TEST_F(PrintPageTest, ReportShowsColouredRuns) {
  RedReport();
  Read(Bytes{0x00, 0x24, 0x24, 0x25, 0x24, 0xF1, 0x04});
  EXPECT_EQ(page->RichEdit->ReportPlainText(), QString::fromUtf8("plain\nhot line\nعوض شود\n"));
  EXPECT_EQ(ColourAt(0), QColor(0, 238, 0));
  EXPECT_EQ(ColourAt(6), QColor(255, 0, 0));
  EXPECT_EQ(ColourAt(15), QColor(255, 0, 0));  // the built-in text takes the last colour
}

TEST_F(PrintPageTest, ClearInBothViews) {
  RedReport();
  Read(Bytes{0x00, 0x24});  // a sequence in progress
  const Bytes samples = {0x78, 0x00};
  test::SendLeftClick(page->Label_Clear, QPointF(5, 5));
  EXPECT_TRUE(page->RichEdit->ReportPlainText().isEmpty());
  EXPECT_EQ(page->receiver().reportMarkerState(), 0);
  EXPECT_EQ(page->receiver().reportTextColour(), kReportDefaultColour);
  EXPECT_EQ(page->RichEdit->currentCharFormat().foreground().color(), QColor(0, 238, 0));

  Capture({120, 125, 118});
  ASSERT_TRUE(page->Chart1->isVisible());
  EXPECT_TRUE(form->printPage()->TimerMonitorWaveRecv->isActive());
  // Clear while the report shows leaves the capture alone...
  page->SetPrintView(false);
  Read("x");
  test::SendLeftClick(page->imgbtn_clear, QPointF(5, 5));
  EXPECT_EQ(form->state().waveLength, 6);
  // ...and while the chart shows empties it and returns to the report.
  page->SetPrintView(true);
  test::SendLeftClick(page->imgbtn_clear, QPointF(5, 5));
  EXPECT_EQ(form->state().waveLength, 0);
  EXPECT_EQ(page->Chart1->graph(0)->dataCount(), 0);
  EXPECT_FALSE(page->Chart1->isVisible());
  EXPECT_TRUE(page->RichEdit->isVisible());
  EXPECT_FALSE(form->state().chartShown);
  EXPECT_FALSE(form->printPage()->TimerMonitorWaveRecv->isActive());
}

// Report text never goes missing around a capture: text after the end frame in the same read,
// and a report pushed after a capture that was cut off (the tool unplugged mid-capture).
TEST_F(PrintPageTest, ReportAfterACaptureAppears) {
  Read(WaveFrame({120, 125}));
  ASSERT_TRUE(page->Chart1->isVisible());
  Bytes endAndText = WaveFrame({}, kCodeWaveEnd);
  for (char c : std::string("Result: good\r\n")) endAndText.push_back(static_cast<uint8_t>(c));
  Read(endAndText);
  EXPECT_TRUE(page->Chart1->isVisible());  // the chart stays until the timer's next tick
  page->TimerMonitorWaveRecvTimer();
  EXPECT_FALSE(form->printPage()->TimerMonitorWaveRecv->isActive());
  page->receiver().Idle();
  EXPECT_TRUE(page->RichEdit->isVisible());
  EXPECT_EQ(page->RichEdit->ReportPlainText(), QStringLiteral("Result: good\n"));

  Read(WaveFrame({121, 122, 123}));  // no end frame ever comes
  ASSERT_TRUE(page->Chart1->isVisible());
  for (int tick = 0; tick < kCaptureSilenceTicks; ++tick) page->TimerMonitorWaveRecvTimer();
  EXPECT_FALSE(form->printPage()->TimerMonitorWaveRecv->isActive());
  Read("Replugged\r\n");
  EXPECT_TRUE(page->RichEdit->isVisible());
  EXPECT_EQ(page->RichEdit->ReportPlainText(), QStringLiteral("Result: good\nReplugged\n"));
}

// Clear during a capture whose end frame has not come: the next capture is shown as a chart and
// its frames never reach the report.
TEST_F(PrintPageTest, ClearDuringACaptureLetsTheNextOneShow) {
  Read(WaveFrame({120, 125}));
  ASSERT_TRUE(page->Chart1->isVisible());
  test::SendLeftClick(page->Label_Clear, QPointF(5, 5));
  EXPECT_FALSE(page->Chart1->isVisible());
  EXPECT_TRUE(form->state().waveRestart);
  Read(WaveFrame({118, 119, 117}));
  EXPECT_TRUE(page->Chart1->isVisible());
  EXPECT_TRUE(form->printPage()->TimerMonitorWaveRecv->isActive());
  EXPECT_EQ(form->state().waveLength, 6);
  EXPECT_TRUE(page->RichEdit->ReportPlainText().isEmpty());
}

// A flat capture gets a left axis range with the curve in it (red pixels on the chart) and the
// lowest and highest lines inside the range.
TEST_F(PrintPageTest, FlatCaptureIsInView) {
  Capture(std::vector<int>(50, 120));
  WaveChart* chart = page->Chart1;
  const QCPRange range = chart->yAxis->range();
  EXPECT_LT(range.lower, 12.0);
  EXPECT_GT(range.upper, 12.0);
  EXPECT_LE(range.lower, chart->graph(1)->data()->at(0)->value + 1e-5);
  EXPECT_GE(range.upper, chart->graph(2)->data()->at(0)->value - 1e-5);
  const QImage image = chart->toPixmap().toImage();
  int red = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) red += image.pixelColor(x, y) == QColor(255, 0, 0);
  }
  EXPECT_GT(red, 20);
}

TEST_F(PrintPageTest, CopyPutsPlainTextAndColouredHtml) {
  test::SendLeftClick(page->Label_Copy, QPointF(5, 5));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
  RedReport();
  test::SendLeftClick(page->imgbtn_copy, QPointF(5, 5));
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->text(), QStringLiteral("plain\nhot line\n"));
  EXPECT_TRUE(data->html().contains(QStringLiteral("#ff0000"))) << data->html().toStdString();
  EXPECT_TRUE(data->html().contains(QStringLiteral("hot line")));
  EXPECT_EQ(page->RichEdit->textCursor().selectedText().size(), 15);  // all stays selected
}

TEST_F(PrintPageTest, EditWritesEachTypeAndOpensIt) {
  QTemporaryDir dir;
  RedReport();
  Read(Bytes{0x00, 0x24, 0x24, 0xFF, 0xFE, 0xE3, 0x04, 0xC0, 0x7F});  // "А" and Ω in 1251
  struct Case {
    int choice;
    const char* typed;
    const char* written;
  };
  for (const Case& c : {Case{0, "report", "report.txt"}, Case{1, "report", "report.html"},
                        Case{2, "report", "report.odt"}, Case{0, "named.log", "named.log"}}) {
    SCOPED_TRACE(c.written);
    QString folder;
    dialogs_.answers->saveFile = [&](QWidget*, const SaveFileRequest& request) {
      folder = request.folder;
      EXPECT_EQ(request.filter, QStringLiteral("Text|*.txt|HTML|*.html|OpenDocument text|*.odt"));
      return SaveFileAnswer{dir.filePath(QString::fromLatin1(c.typed)), c.choice};
    };
    opened.clear();
    test::SendLeftClick(page->Label_Edit, QPointF(5, 5));
    const QString path = dir.filePath(QString::fromLatin1(c.written));
    ASSERT_EQ(opened, std::vector<QString>{path});
    EXPECT_TRUE(folder.startsWith(QDir::tempPath()) || folder.startsWith(QStringLiteral("/tmp")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (c.choice == 0) {
      QByteArray expected("\xFF\xFE", 2);
      for (char16_t ch : u"plain\r\nhot line\r\n\u0410\u03A9") {
        if (ch == 0) break;
        expected.append(static_cast<char>(ch & 0xFF)).append(static_cast<char>(ch >> 8));
      }
      EXPECT_EQ(bytes, expected);
    } else if (c.choice == 1) {
      EXPECT_TRUE(bytes.contains("#ff0000"));
      EXPECT_TRUE(QString::fromUtf8(bytes).contains(QString::fromUtf8("АΩ")));
    } else {
      EXPECT_TRUE(bytes.startsWith("PK"));  // an OpenDocument package
    }
  }
  EXPECT_TRUE(messages.empty());
}

// Non-breaking spaces the tool prints stay what they are in copied and saved text.
TEST_F(PrintPageTest, CopiedAndSavedTextKeepNonBreakingSpaces) {
  QTemporaryDir dir;
  Read(Bytes{'1', '2', 0xA0, 'V', '\r', '\n'});  // ISO 8859-15: 0xA0 is U+00A0
  const QString expected = QStringLiteral("12\u00A0V\n");
  test::SendLeftClick(page->Label_Copy, QPointF(5, 5));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
  const QString path = dir.filePath(QStringLiteral("report.txt"));
  dialogs_.answers->saveFile = [&](QWidget*, const SaveFileRequest&) {
    return SaveFileAnswer{path, 0};
  };
  test::SendLeftClick(page->Label_Edit, QPointF(5, 5));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("\xFF\xFE"
                                       "1\0"
                                       "2\0"
                                       "\xA0\0"
                                       "V\0"
                                       "\r\0\n\0",
                                       14));
}

TEST_F(PrintPageTest, EditThatCannotWriteSaysSoAndOpensNothing) {
  dialogs_.answers->saveFile = [](QWidget*, const SaveFileRequest&) {
    return SaveFileAnswer{QStringLiteral("/nonexistent-folder/report.txt"), 0};
  };
  test::SendLeftClick(page->imgbtn_edit, QPointF(5, 5));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Cannot create file")));
  EXPECT_TRUE(messages[0].contains(QStringLiteral("/nonexistent-folder/report.txt")));
  EXPECT_TRUE(opened.empty());
  // Cancelled: nothing at all.
  dialogs_.answers->saveFile = [](QWidget*, const SaveFileRequest&) { return SaveFileAnswer{}; };
  test::SendLeftClick(page->imgbtn_edit, QPointF(5, 5));
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(PrintPageTest, PrintsTheReportToAPdf) {
  QTemporaryDir dir;
  RedReport();
  Read(Bytes{0x00, 0x24, 0x24, 0x25, 0x24, 0xF1, 0x03});
  const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
  QString title;
  dialogs_.answers->print = [&](QWidget*, QPrinter& printer) {
    title = printer.docName();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  };
  test::SendLeftClick(page->Label_PrintPrint, QPointF(5, 5));
  EXPECT_EQ(title, QStringLiteral("Marvissa DTC"));
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(20000));
  const QString out = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QStringLiteral("hot line"))) << out.toStdString();
  EXPECT_TRUE(out.contains(QStringLiteral("plain")));
  // A cancelled dialog prints nothing.
  QFile::remove(pdf);
  dialogs_.answers->print = [](QWidget*, QPrinter&) { return false; };
  test::SendLeftClick(page->imgbtn_print, QPointF(5, 5));
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintPageTest, ChartShowsTheExampleCapture) {
  Capture({120, 125, 118});
  WaveChart* chart = page->Chart1;
  ASSERT_TRUE(chart->isVisible());
  EXPECT_TRUE(chart->StaticText_SampleStat->isVisible());
  EXPECT_EQ(chart->StaticText_SampleStat->text(),
            QStringLiteral("Voltage Min=11.8V and Max=12.5V"));
  EXPECT_EQ(chart->accessibleDescription(),
            QStringLiteral("Battery voltage chart: 3 samples, lowest 11.8 V, highest 12.5 V"));
  ASSERT_EQ(chart->graph(0)->dataCount(), 3);
  EXPECT_NEAR(chart->graph(0)->data()->at(1)->value, 12.5, 1e-6);
  EXPECT_NEAR(chart->graph(1)->data()->at(0)->value, 11.7, 1e-6);
  EXPECT_NEAR(chart->graph(2)->data()->at(0)->value, 12.6, 1e-6);
  EXPECT_NEAR(chart->yAxis->range().lower, 11.7, 1e-6);
  EXPECT_NEAR(chart->yAxis->range().upper, 12.6, 1e-6);
  EXPECT_EQ(chart->xAxis->label(), QStringLiteral("Time"));
  EXPECT_EQ(chart->yAxis->label(), QStringLiteral("Voltage (V)"));
  // A click places the measuring line at the clicked voltage, in tenths.
  chart->replot();
  const double x = chart->xAxis->coordToPixel(500);
  const double y = chart->yAxis->coordToPixel(12.34);
  test::SendLeftClick(chart, QPointF(x, y));
  ASSERT_EQ(chart->graph(3)->dataCount(), 2);
  EXPECT_NEAR(chart->graph(3)->data()->at(0)->value, 12.3, 1e-5);
  EXPECT_NEAR(chart->graph(3)->data()->at(1)->key, 500, 2);
}

// Dragging the chart pans it sideways over the capture; the voltage axis stays.
TEST_F(PrintPageTest, DragPansTheChartSideways) {
  Capture(std::vector<int>(3000, 125));
  WaveChart* chart = page->Chart1;
  page->wave().ScrollChart(1000);
  chart->replot();
  const QCPRange left = chart->yAxis->range();
  const QPointF from(chart->xAxis->coordToPixel(1500), chart->yAxis->coordToPixel(12.5));
  const QPointF to = from + QPointF(-200, 30);
  QMouseEvent press(QEvent::MouseButtonPress, from, chart->mapToGlobal(from), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QMouseEvent move(QEvent::MouseMove, to, chart->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, to, chart->mapToGlobal(to), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(chart, &press);
  QApplication::sendEvent(chart, &move);
  QApplication::sendEvent(chart, &release);
  EXPECT_GT(chart->xAxis->range().lower, 1100);
  EXPECT_NEAR(chart->xAxis->range().size(), 1023, 1e-6);
  EXPECT_EQ(chart->yAxis->range(), left);
  EXPECT_EQ(chart->TrackBar_ChartLine->value(), static_cast<int>(chart->xAxis->range().lower));
}

TEST_F(PrintPageTest, TrackBarReleaseScrollsTheChart) {
  std::vector<int> samples(3000, 125);
  Capture(samples);
  QSlider* bar = page->Chart1->TrackBar_ChartLine;
  EXPECT_EQ(bar->maximum(), 3000 - 1024);
  EXPECT_EQ(bar->focusPolicy(), Qt::NoFocus);
  bar->setValue(300);
  const QPointF at(5, 5);
  QMouseEvent release(QEvent::MouseButtonRelease, at, bar->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &release);
  EXPECT_EQ(page->Chart1->xAxis->range(), QCPRange(300, 1323));
}

TEST_F(PrintPageTest, SavesTheChartInEachType) {
  QTemporaryDir dir;
  Capture({120, 125});
  for (int choice : {0, 1, 2}) {
    SCOPED_TRACE(choice);
    dialogs_.answers->saveFile = [&](QWidget*, const SaveFileRequest& request) {
      EXPECT_EQ(request.title, QStringLiteral("Save chart curve to file ..."));
      return SaveFileAnswer{dir.filePath(QStringLiteral("curve")), choice};
    };
    messages.clear();
    test::SendLeftClick(page->Chart1->Btn_SaveChart, QPointF(3, 3));
    ASSERT_EQ(messages, std::vector<QString>{QStringLiteral("Chart curve is saved successfully!")});
    const char* extensions[] = {".bmp", ".png", ".csv"};
    QFile file(dir.filePath(QStringLiteral("curve")) + QString::fromLatin1(extensions[choice]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(8);
    if (choice == 0) {
      EXPECT_TRUE(head.startsWith("BM"));
    } else if (choice == 1) {
      EXPECT_TRUE(head.startsWith("\x89PNG"));
    } else {
      file.seek(0);
      EXPECT_EQ(file.readAll(), QByteArray("sample,volts\n0,12.0\n1,12.5\n"));
    }
  }
  // A typed extension names the type whatever the choice.
  for (const char* typed : {"typed.png", "typed.BMP"}) {
    SCOPED_TRACE(typed);
    const QString path = dir.filePath(QString::fromLatin1(typed));
    dialogs_.answers->saveFile = [&](QWidget*, const SaveFileRequest&) {
      return SaveFileAnswer{path, typed[6] == 'p' ? 0 : 1};
    };
    test::SendLeftClick(page->Chart1->Btn_SaveChart, QPointF(3, 3));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(4).startsWith(typed[6] == 'p' ? "\x89PNG" : "BM"));
  }
  dialogs_.answers->saveFile = [](QWidget*, const SaveFileRequest&) {
    return SaveFileAnswer{QStringLiteral("/nonexistent-folder/curve.png"), 1};
  };
  messages.clear();
  test::SendLeftClick(page->Chart1->Btn_SaveChart, QPointF(3, 3));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Cannot create file")));
}

}  // namespace
}  // namespace vortik
