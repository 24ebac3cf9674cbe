// The Feedback page: the problem report form, checked and sent to the feedback server.
#pragma once

#include <QWidget>

namespace vortik {

class Host;

class FeedbackPage : public QWidget {
  Q_OBJECT

 public:
  FeedbackPage(QWidget* window, Host& host);

 private:
  [[maybe_unused]] Host& host_;
};

}  // namespace vortik
