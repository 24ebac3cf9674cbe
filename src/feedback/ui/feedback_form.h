// The Feedback page's form: nine labelled fields, the option to attach the last upgrade's record
// (off until ticked; the record is then shown as it will be sent) and the "Summit" button,
// sending through the feedback submission (feedback/feedback.h).
#pragma once

#include <QWidget>

#include <array>
#include <string>

#include "feedback/feedback.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vortik {

class Host;

class FeedbackForm : public QWidget, public FeedbackView {
  Q_OBJECT

 public:
  // Covers `page` (the Feedback page) whole; messages go through `host`; the form is sent to
  // the feedback server at `server`.
  FeedbackForm(QWidget* page, Host& host, std::string server);

  // Checks and sends the form (the "Summit" button).
  void Button_summitClick();

  // The field of a FeedbackFieldIndex (a QLineEdit, or the multi-line QPlainTextEdit for the
  // problems).
  QWidget* field(int index) const { return fields_[static_cast<size_t>(index)]; }
  QPushButton* summitButton() const { return Button_summit; }
  QCheckBox* attachRecordBox() const { return attachRecord_; }
  QPlainTextEdit* attachedRecordView() const { return attachedRecord_; }

  // FeedbackView
  std::string FieldText(int field) override;
  void ClearField(int field) override;
  void SetBusy(bool busy) override;
  void ShowMessage(TextId message) override;
  std::string Attachment() override;

 private:
  Host& host_;
  const std::string server_;
  std::array<QWidget*, kFeedbackFieldCount> fields_{};
  std::array<QLabel*, kFeedbackFieldCount> labels_{};
  QPushButton* Button_summit = nullptr;
  QCheckBox* attachRecord_ = nullptr;
  QPlainTextEdit* attachedRecord_ = nullptr;  // what is sent along, read-only
  std::string record_;                        // the last record's text when ticked; else empty

  // Reads the last record of the history when the box is ticked, and shows it.
  void OnAttachToggled(bool on);
};

}  // namespace vortik
