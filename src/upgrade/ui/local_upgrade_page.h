// The Local Upgrade page: three boxes that burn a ROM, FLASH or LOGO image chosen from disk, and
// the buttons that query and set the tool's ID and query its versions.
#pragma once

#include <QWidget>

#include <array>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace vortik {

class Host;
class TSyncUart;

class LocalUpgradePage : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kBoxCount = 3;

  LocalUpgradePage(QWidget* window, Host& host, TSyncUart& uart);

  // Box `box` (1..3) shows its gauge and status text while upgrade mode `box` runs and its path
  // otherwise; every button answers only when `enabled`.
  void ShowUpgradeMode(int upgradeMode, bool enabled);
  // Where the upgrade of box `box` (1..3) shows its progress.
  QProgressBar* Gauge(int box) const;
  QLabel* StatusLabel(int box) const;

  void SelectUpgradeFile(int box);
  void LocalUpgrade(int box);
  void Button_QueryIDClick();
  void Button_SetIDClick();
  void Button_QueryVersionClick();

 Q_SIGNALS:
  // The hidden developer button's test transfer; the window runs it on its fixed port.
  void testBurnRequested();

 private:
  struct Box {
    QGroupBox* group = nullptr;
    QLineEdit* path = nullptr;
    QPushButton* select = nullptr;
    QPushButton* update = nullptr;
    QLabel* status = nullptr;
    QProgressBar* gauge = nullptr;
  };

  void BuildControls();
  // What the port state allows once a query is over: the port may have gone meanwhile.
  bool DeviceButtonsUsable() const;

  Host& host_;
  TSyncUart& uart_;
  std::string setIdProposal_;  // the Set ID button's next offer
  std::array<Box, kBoxCount> boxes_{};
  QPushButton* Button_QueryID = nullptr;
  QPushButton* Button_SetID = nullptr;
  QPushButton* Button_QueryVersion = nullptr;
  QPushButton* Button3 = nullptr;
};

}  // namespace vortik
