#include "app/ui/manual_page.h"

#include <QVBoxLayout>

#include "app/ui/manual_browser.h"
#include "base/host.h"

namespace vortik {

ManualPage::ManualPage(QWidget* window, Host& host) : QWidget(window) {
  setObjectName(QStringLiteral("TabSheet_Manual"));
  setAttribute(Qt::WA_TranslucentBackground);
  browser_ = new ManualBrowser(this, host.state().langText);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
}

}  // namespace vortik
