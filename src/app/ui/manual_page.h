// The Manual page: the documents of the manual folder, each opened by a double click.
#pragma once

#include <QWidget>

namespace vortik {

class Host;
class ManualBrowser;

class ManualPage : public QWidget {
  Q_OBJECT

 public:
  ManualPage(QWidget* window, Host& host);

  ManualBrowser* browser() const { return browser_; }

 private:
  ManualBrowser* browser_ = nullptr;
};

}  // namespace vortik
