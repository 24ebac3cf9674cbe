// The Feedback page's form: nine labelled fields and the "Summit" button, sending through the
// feedback submission (net/feedback.h).
#pragma once

#include <QWidget>

#include <array>
#include <string>

#include "feedback/feedback.h"

class QLabel;
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

  // FeedbackView
  std::string FieldText(int field) override;
  void ClearField(int field) override;
  void SetBusy(bool busy) override;
  void ShowMessage(TextId message) override;

 private:
  Host& host_;
  const std::string server_;
  std::array<QWidget*, kFeedbackFieldCount> fields_{};
  std::array<QLabel*, kFeedbackFieldCount> labels_{};
  QPushButton* Button_summit = nullptr;
};

}  // namespace vortik
