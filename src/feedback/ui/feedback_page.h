// The Feedback page: the problem report form, checked and sent to the feedback server.
#pragma once

#include <QWidget>

#include <string>

namespace vortik {

class FeedbackForm;
class Host;

class FeedbackPage : public QWidget {
  Q_OBJECT

 public:
  // Sends the form to the feedback server at `server`.
  FeedbackPage(QWidget* window, Host& host, const std::string& server);

  FeedbackForm* form() const { return form_; }

 private:
  FeedbackForm* form_ = nullptr;
};

}  // namespace vortik
