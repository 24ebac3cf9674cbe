// The DTC Lookup page: searches the trouble code table and shows it fifteen codes a page.
#pragma once

#include <QWidget>

namespace vortik {

class Host;
class TBitmapFactory;

class DtcLookupPage : public QWidget {
  Q_OBJECT

 public:
  DtcLookupPage(QWidget* window, Host& host, TBitmapFactory& pictures);

 private:
  [[maybe_unused]] Host& host_;
  [[maybe_unused]] TBitmapFactory& pictures_;
};

}  // namespace vortik
