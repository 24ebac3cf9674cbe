#include "feedback/ui/feedback_form.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <utility>

#include "base/config_file.h"
#include "base/host.h"
#include "upgrade/history.h"

namespace vortik {

namespace {

// Where each field and its caption sit, in page coordinates: two columns of four one-line
// fields, then the problems across the page.
struct Place {
  QRect label;
  QRect field;
};

constexpr int kLabelWidth = 206;
constexpr int kRowHeight = 34;

Place PlaceOf(int index) {
  if (index == kFeedbackProblems) {
    return {QRect(16, 196, kLabelWidth, kRowHeight), QRect(230, 196, 712, 218)};
  }
  // Body order fills the left column first (fields 0..3), then the right (4..7).
  const int slot = index < kFeedbackProblems ? index : index - 1;
  const int column = slot / 4;
  const int row = slot % 4;
  const int top = 14 + row * 44;
  const int left = column == 0 ? 16 : 482;
  return {QRect(left, top, kLabelWidth, kRowHeight),
          QRect(left + kLabelWidth + 8, top, column == 0 ? 238 : 246, kRowHeight)};
}

constexpr char kPageStyle[] =
    "QLabel { color: white; font-size: 15px; }"
    "QLineEdit, QPlainTextEdit { color: white; background: #0d3b78; border: 1px solid #2f6fc0;"
    "  border-radius: 5px; padding: 2px 6px; font-size: 15px;"
    "  selection-background-color: #00b25a; }"
    "QLineEdit:focus, QPlainTextEdit:focus { border: 1px solid #00ef60; }"
    "QPushButton#Button_summit { color: white; font-size: 17px; font-weight: bold;"
    "  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2ee07a, stop:1 #00a84e);"
    "  border: 1px solid #00863e; border-radius: 20px; }"
    "QPushButton#Button_summit:hover { background: #20d070; }"
    "QPushButton#Button_summit:pressed { background: #00913f; }";

}  // namespace

FeedbackForm::FeedbackForm(QWidget* page, Host& host, std::string server)
    : QWidget(page), host_(host), server_(std::move(server)) {
  setObjectName(QStringLiteral("FeedbackForm"));
  setAttribute(Qt::WA_TranslucentBackground);
  setGeometry(page->rect());
  setStyleSheet(QString::fromLatin1(kPageStyle));

  for (int i = 0; i < kFeedbackFieldCount; ++i) {
    const FeedbackField& f = FeedbackFields()[static_cast<size_t>(i)];
    const Place place = PlaceOf(i);
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(f.label));
    label->setGeometry(place.label);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    labels_[static_cast<size_t>(i)] = label;

    QWidget* field = nullptr;
    if (i == kFeedbackProblems) {
      auto* edit = new QPlainTextEdit(this);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      edit->setTabChangesFocus(true);
      field = edit;
    } else {
      field = new QLineEdit(this);
    }
    field->setObjectName(QString::fromLatin1(f.control));
    field->setGeometry(place.field);
    fields_[static_cast<size_t>(i)] = field;
    label->setBuddy(field);
  }
  // Default captions until the language table sets its own.
  const char* captions[kFeedbackFieldCount] = {
      "Product:", "Contact Information:", "Email:",  "Manufacture Brand:",
      "Model:",   "Produced Year Month:", "Origin:", "Vin Code:",
      "Problems:"};
  for (int i = 0; i < kFeedbackFieldCount; ++i) {
    labels_[static_cast<size_t>(i)]->setText(QString::fromLatin1(captions[i]));
  }

  Button_summit = new QPushButton(QStringLiteral("Summit"), this);
  Button_summit->setObjectName(QStringLiteral("Button_summit"));
  Button_summit->setGeometry(782, 428, 160, 42);
  Button_summit->setCursor(Qt::PointingHandCursor);
  connect(Button_summit, &QPushButton::clicked, this, &FeedbackForm::Button_summitClick);

  attachRecord_ = new QCheckBox(QStringLiteral("Attach the record of the last upgrade"), this);
  attachRecord_->setObjectName(QStringLiteral("CheckBox_AttachRecord"));
  attachRecord_->setGeometry(230, 420, 540, 26);
  attachRecord_->setStyleSheet(QStringLiteral("QCheckBox { color: white; font-size: 14px; }"));
  attachRecord_->setChecked(false);
  attachedRecord_ = new QPlainTextEdit(this);
  attachedRecord_->setObjectName(QStringLiteral("PlainText_AttachedRecord"));
  attachedRecord_->setGeometry(230, 448, 540, 40);
  attachedRecord_->setReadOnly(true);
  attachedRecord_->setStyleSheet(QStringLiteral("QPlainTextEdit { font-size: 12px; }"));
  attachedRecord_->hide();
  connect(attachRecord_, &QCheckBox::toggled, this, &FeedbackForm::OnAttachToggled);

  // Tab walks the fields in reading order, then reaches the submit button.
  QWidget* previous = nullptr;
  for (QWidget* field : fields_) {
    if (previous != nullptr) QWidget::setTabOrder(previous, field);
    previous = field;
  }
  QWidget::setTabOrder(previous, Button_summit);
  QWidget::setTabOrder(Button_summit, attachRecord_);
}

void FeedbackForm::OnAttachToggled(bool on) {
  record_.clear();
  if (on) {
    const std::vector<UpgradeRecord> records = ReadHistory(HistoryFilePath());
    if (!records.empty()) record_ = FormatHistoryRecord(records.back(), host_.state().langText);
  }
  attachedRecord_->setPlainText(
      QString::fromStdString(record_.empty() ? host_.Msg(TextId::HistoryEmpty) : record_));
  attachedRecord_->setVisible(on);
}

std::string FeedbackForm::Attachment() {
  return attachRecord_->isChecked() ? record_ : std::string();
}

void FeedbackForm::Button_summitClick() {
  SubmitFeedback(*this, server_);
}

std::string FeedbackForm::FieldText(int field) {
  QWidget* w = fields_.at(static_cast<size_t>(field));
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdString();
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) return edit->toPlainText().toStdString();
  return {};
}

void FeedbackForm::ClearField(int field) {
  QWidget* w = fields_.at(static_cast<size_t>(field));
  if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->clear();
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) edit->clear();
}

void FeedbackForm::SetBusy(bool busy) {
  // The request blocks the event loop for up to its budget; the pointer says so meanwhile.
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

void FeedbackForm::ShowMessage(TextId message) {
  host_.ShowMessage(WithConfigFile(host_.Msg(message)));
}

}  // namespace vortik
