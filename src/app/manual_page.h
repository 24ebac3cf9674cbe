// The Manual page: the documents of the manual folder, each opened by a double click.
#pragma once

#include <QWidget>

namespace vortik {

class Host;

class ManualPage : public QWidget {
  Q_OBJECT

 public:
  ManualPage(QWidget* window, Host& host);

 private:
  [[maybe_unused]] Host& host_;
};

}  // namespace vortik
