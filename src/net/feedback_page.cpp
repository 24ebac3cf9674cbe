#include "net/feedback_page.h"

namespace vortik {

FeedbackPage::FeedbackPage(QWidget* window, Host& host) : QWidget(window), host_(host) {
  setObjectName(QStringLiteral("Feedback"));
  setAttribute(Qt::WA_TranslucentBackground);
}

}  // namespace vortik
