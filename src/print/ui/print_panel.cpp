#include "print/ui/print_panel.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QPrinter>

#include "device/sync_uart.h"
#include "platform/folders.h"
#include "print/ui/report_view.h"
#include "print/ui/wave_chart.h"
#include "skin/bitmap_factory.h"
#include "skin/ui/accessibility.h"
#include "skin/ui/click_label.h"
#include "skin/ui/file_dialog.h"
#include "skin/ui/message_box.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/print_dialog.h"
#include "skin/ui/text_fit.h"

namespace vortik {

namespace {

constexpr int kPageWidth = 953;
constexpr int kPageHeight = 492;

struct ActionDesign {
  const char* button;
  int left;
  const char* normal;
  const char* pressed;
  const char* label;
  QRect labelBounds;
  const char* text;
};
constexpr int kActionCount = 4;
const ActionDesign kActions[kActionCount] = {
    {"imgbtn_print", 15, "png:btn_print_normal", "png:btn_print_light", "Label_PrintPrint",
     QRect(75, 12, 78, 19), "Print"},
    {"imgbtn_clear", 167, "png:btn_clear_normal", "png:btn_clear_light", "Label_Clear",
     QRect(225, 12, 72, 19), "Clear"},
    {"imgbtn_copy", 319, "png:btn_copy_normal", "png:btn_copy_light", "Label_Copy",
     QRect(369, 12, 80, 19), "Copy"},
    {"imgbtn_edit", 471, "png:btn_edit_normal", "png:btn_edit_light", "Label_Edit",
     QRect(537, 12, 72, 19), "Edit"},
};

const QColor kLabelColour(28, 102, 183);       // the blue of the action buttons
const QColor kLabelPressed(0x00, 0xEE, 0x58);  // a label's background while pressed

const QString kReportFilter = QStringLiteral("Text|*.txt|HTML|*.html|OpenDocument text|*.odt");

QColor ToQColor(Colour colour) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

}  // namespace

PrintPanel::PrintPanel(QWidget* page, MainState& state)
    : QWidget(page), state_(state), receiver_(state, *this) {
  setObjectName(QStringLiteral("PrintPanel"));
  setGeometry(0, 0, kPageWidth, kPageHeight);
  setAttribute(Qt::WA_TranslucentBackground);

  for (int i = 0; i < kActionCount; ++i) {
    const ActionDesign& a = kActions[i];
    buttons_[i] = new PictureControl(this, a.button, a.left, 0, 140, 46);
    buttons_[i]->setCursor(Qt::PointingHandCursor);
  }
  for (int i = 0; i < kActionCount; ++i) {
    const ActionDesign& a = kActions[i];
    const QRect& r = a.labelBounds;
    ClickLabel* label = new ClickLabel(this, a.label, r.x(), r.y(), r.width(), r.height());
    QFont font(QStringLiteral("Microsoft YaHei UI"));
    font.setPixelSize(15);
    font.setBold(true);
    label->setFont(font);
    label->setText(QString::fromLatin1(a.text));
    label->setCursor(Qt::PointingHandCursor);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, kLabelColour);
    p.setColor(QPalette::Window, kLabelPressed);
    label->setPalette(p);
    label->installEventFilter(this);
    labels_[i] = label;
  }
  imgbtn_print = buttons_[0];
  imgbtn_clear = buttons_[1];
  imgbtn_copy = buttons_[2];
  imgbtn_edit = buttons_[3];
  Label_PrintPrint = labels_[0];
  Label_Clear = labels_[1];
  Label_Copy = labels_[2];
  Label_Edit = labels_[3];
  // Each action is one button for the keyboard and screen readers: the picture, named by the
  // caption on its face.
  for (int i = 0; i < kActionCount; ++i) {
    MakeSkinButton(buttons_[i], ButtonRole::kPushButton, labels_[i]);
    SetFocusRingRadius(buttons_[i], 9);
  }
  connect(imgbtn_print, &PictureControl::clicked, this, &PrintPanel::Button_PrintClick);
  connect(imgbtn_clear, &PictureControl::clicked, this, &PrintPanel::Button_ClearClick);
  connect(imgbtn_copy, &PictureControl::clicked, this, &PrintPanel::Button_CopyClick);
  connect(imgbtn_edit, &PictureControl::clicked, this, &PrintPanel::Button_EditClick);
  connect(Label_PrintPrint, &ClickLabel::clicked, this, &PrintPanel::Label_PrintPrintClick);
  connect(Label_Clear, &ClickLabel::clicked, this, &PrintPanel::Label_ClearClick);
  connect(Label_Copy, &ClickLabel::clicked, this, &PrintPanel::Label_CopyClick);
  connect(Label_Edit, &ClickLabel::clicked, this, &PrintPanel::Label_EditClick);

  // The chart first, so the report text lies above it.
  Chart1 = new WaveChart(this, state.langText);
  Chart1->setGeometry(24, 64, 913, 417);
  RichEdit = new ReportEdit(this);
  RichEdit->setGeometry(18, 59, 921, 425);
  wave_ = std::make_unique<WaveMonitor>(state_, *Chart1, *this);
  Chart1->SetMonitor(wave_.get());
  Chart1->hide();
}

PrintPanel::~PrintPanel() = default;

void PrintPanel::AttachSkin(TBitmapFactory* factory) {
  factory_ = factory;
  if (factory_ == nullptr) return;
  for (int i = 0; i < kActionCount; ++i) {
    ActivateImageButton(*factory_, buttons_[i], kActions[i].normal, kActions[i].pressed);
  }
}

void PrintPanel::FitLabels() {
  constexpr int kDesignedPixelSize = 15;
  constexpr int kSmallestPixelSize = 10;
  for (ClickLabel* label : labels_) FitLabelText(label, kDesignedPixelSize, kSmallestPixelSize);
}

// --- timers ------------------------------------------------------------------------------------

void PrintPanel::UartReadTimerTimer(TSyncUart& uart) {
  receiver_.UartReadTimerTimer(
      [&uart](uint8_t* buffer, int capacity) { return uart.RecvData(buffer, capacity); },
      [&uart](int timeoutMs) { return uart.WaitReadable(timeoutMs); });
}

void PrintPanel::TimerMonitorWaveRecvTimer() {
  wave_->TimerMonitorWaveRecvTimer();
}

// --- receiver and wave monitor -------------------------------------------------------------------

void PrintPanel::AppendReportText(const std::string& utf8, Colour colour) {
  RichEdit->AppendText(QString::fromStdString(utf8), ToQColor(colour));
}

void PrintPanel::AppendBuiltInText(const std::string& utf8) {
  RichEdit->AppendBuiltIn(QString::fromStdString(utf8));
}

void PrintPanel::AddWaveSamples(const uint8_t* payload, int length) {
  wave_->AddWaveSamples(payload, length);
}

void PrintPanel::EndWaveCapture() {
  wave_->EndWaveCapture();
}

bool PrintPanel::CaptureTimerEnabled() const {
  return wave_->CaptureTimerEnabled();
}

bool PrintPanel::ChartVisible() const {
  return !Chart1->isHidden();
}

void PrintPanel::RunCaptureTimer(bool running) {
  if (runCaptureTimer_) runCaptureTimer_(running);
}

void PrintPanel::SetPrintView(bool showChart) {
  if (showChart == state_.chartShown && showChart == ChartVisible() &&
      showChart == wave_->CaptureTimerEnabled()) {
    return;
  }
  state_.chartShown = showChart;
  Chart1->setVisible(showChart);
  RichEdit->setVisible(!showChart);
  Chart1->StaticText_SampleStat->setVisible(showChart);
  wave_->SetCaptureTimer(showChart);
  if (showChart) {
    wave_->ResetBottomAxis();
    Chart1->Redraw();
  }
}

// --- actions -----------------------------------------------------------------------------------

void PrintPanel::Button_PrintClick() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QStringLiteral("Marvissa DTC"));
  printer.setColorMode(QPrinter::Color);
  if (!RunPrintDialog(window(), printer)) return;
  RichEdit->PrintReport(printer);
}

void PrintPanel::Button_ClearClick() {
  RichEdit->ClearReport();
  receiver_.ResetTextState();
  if (!ChartVisible()) return;
  wave_->ClearCapture();
  SetPrintView(false);
}

void PrintPanel::Button_CopyClick() {
  RichEdit->selectAll();
  auto* data = new QMimeData;
  const QString text = RichEdit->ReportPlainText();
  data->setText(text);
  if (!text.isEmpty()) data->setHtml(RichEdit->ReportHtml());
  QGuiApplication::clipboard()->setMimeData(data);
}

void PrintPanel::Button_EditClick() {
  SaveFileRequest request;
  request.filter = kReportFilter;
  request.folder = QString::fromStdString(platform::TempDir());
  const SaveFileAnswer answer = AskSaveFileName(window(), request);
  if (answer.path.isEmpty()) return;
  const int type = std::clamp(answer.filterIndex, 0, 2);
  const QString error = RichEdit->Save(answer.path, static_cast<ReportFileType>(type));
  if (!error.isEmpty()) {
    ShowMessageBox(window(), error);
    return;
  }
  OpenWithDesktop(this, answer.path);
}

// --- pressed look of the labels
// --------------------------------------------------------------------

bool PrintPanel::eventFilter(QObject* watched, QEvent* event) {
  for (int i = 0; i < kActionCount; ++i) {
    if (watched != labels_[i]) continue;
    if (event->type() == QEvent::MouseButtonPress) {
      LabelMouseDown(i);
    } else if (event->type() == QEvent::MouseButtonRelease) {
      LabelMouseUp(i);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void PrintPanel::LabelMouseDown(int action) {
  PictureControl* button = buttons_[static_cast<size_t>(action)];
  if (factory_ != nullptr) button->DrawPicture(*factory_, kActions[action].pressed, true);
  ClickLabel* label = labels_[static_cast<size_t>(action)];
  label->setAttribute(Qt::WA_TranslucentBackground, false);
  label->setAutoFillBackground(true);
  label->update();
}

void PrintPanel::LabelMouseUp(int action) {
  PictureControl* button = buttons_[static_cast<size_t>(action)];
  if (factory_ != nullptr) button->DrawPicture(*factory_, kActions[action].normal, true);
  ClickLabel* label = labels_[static_cast<size_t>(action)];
  label->update();
  label->setAutoFillBackground(false);
  label->setAttribute(Qt::WA_TranslucentBackground, true);
}

}  // namespace vortik
