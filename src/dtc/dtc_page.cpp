#include "dtc/dtc_page.h"

namespace vortik {

DtcLookupPage::DtcLookupPage(QWidget* window, Host& host, TBitmapFactory& pictures)
    : QWidget(window), host_(host), pictures_(pictures) {
  setObjectName(QStringLiteral("TabSheet3"));
  setAttribute(Qt::WA_TranslucentBackground);
}

}  // namespace vortik
