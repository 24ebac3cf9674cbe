#include "feedback/ui/feedback_page.h"

#include <QVBoxLayout>

#include "feedback/ui/feedback_form.h"

namespace vortik {

FeedbackPage::FeedbackPage(QWidget* window, Host& host, const std::string& server)
    : QWidget(window) {
  setObjectName(QStringLiteral("Feedback"));
  setAttribute(Qt::WA_TranslucentBackground);
  form_ = new FeedbackForm(this, host, server);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(form_);
}

}  // namespace vortik
