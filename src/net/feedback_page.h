// The Feedback page: the problem report form, checked and sent to the feedback server.
#pragma once

#include <QWidget>

namespace vortik {

class FeedbackForm;
class Host;

class FeedbackPage : public QWidget {
  Q_OBJECT

 public:
  FeedbackPage(QWidget* window, Host& host);

  FeedbackForm* form() const { return form_; }

 private:
  FeedbackForm* form_ = nullptr;
};

}  // namespace vortik
