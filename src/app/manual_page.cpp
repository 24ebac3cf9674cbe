#include "app/manual_page.h"

namespace vortik {

ManualPage::ManualPage(QWidget* window, Host& host) : QWidget(window), host_(host) {
  setObjectName(QStringLiteral("TabSheet_Manual"));
  setAttribute(Qt::WA_TranslucentBackground);
}

}  // namespace vortik
