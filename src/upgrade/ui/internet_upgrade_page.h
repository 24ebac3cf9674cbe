// The Internet Upgrade page: the three steps, the gauge, "Check Update" and the connectivity
// indicator, over the window's skin.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "base/app_config.h"
#include "upgrade/catalogue.h"
#include "upgrade/connectivity.h"

class QProgressBar;
class QTimer;

namespace vortik {

class ClickLabel;
class Host;
class PictureControl;
class TBitmapFactory;
class TSyncUart;

class InternetUpgradePage : public QWidget {
  Q_OBJECT

 public:
  // The indicator drives the page's poll and blink timers. The page keeps its own copy of
  // `config` (the servers' addresses and whether loopback counts as a connection).
  InternetUpgradePage(QWidget* window, Host& host, TSyncUart& uart, TBitmapFactory& pictures,
                      const AppConfig& config);
  ~InternetUpgradePage() override;
  // The pictures the page draws as it is built (the indicator as "not connected"), for a
  // window that decodes them ahead.
  static std::vector<std::string> FirstPictures();

  // "Check Update": the whole internet upgrade of the connected tool.
  void Button_InternetUpdateClick();
  // Whether "Check Update" answers clicks (off while the tool is away or an upgrade runs).
  void SetUpgradeEnabled(bool enabled);
  // Where the internet upgrade shows its progress.
  QProgressBar* Gauge() const;

  void UpdateInternetState(bool connected);
  // The ticks of TimerCheckInternet and TimerAnimator.
  void PollInternet();
  void BlinkInternetIcon();
  // While the page is current the connectivity poll runs, and the blink while connected.
  void SetCurrent(bool current);

  QTimer* TimerCheckInternet = nullptr;  // 1 s connectivity poll
  QTimer* TimerAnimator = nullptr;       // 800 ms blink of the connected icon

  // After the language texts are set: the indicator's caption, and the sizes at which the step
  // texts, "Check Update" and that caption fit their places in this language.
  void ApplyLanguage();

 Q_SIGNALS:
  // A click on one of the page's texts.
  void textClicked();

 private:
  class IndicatorWidgets;

  void BuildControls();
  // The indicator's caption shrinks until its text (connected or not) fits the plate.
  void FitInternetCaption();

  Host& host_;
  TSyncUart& uart_;
  TBitmapFactory& pictures_;
  const AppConfig config_;
  InternetIndicator indicator_;
  // The product and language choice of the last run: a legacy tool, which makes none of its
  // own, is upgraded by what it left.
  CatalogueState catalogue_;

  PictureControl* Image_bak1 = nullptr;
  ClickLabel* Label_Upgrade = nullptr;
  ClickLabel* Label_Step1Part1 = nullptr;
  ClickLabel* Label_Step1Part2 = nullptr;
  ClickLabel* Label_Step2 = nullptr;
  ClickLabel* Label_Step2Part2 = nullptr;
  ClickLabel* Label_Step3 = nullptr;
  ClickLabel* Label_Step3Part2 = nullptr;
  QWidget* PanelGauge = nullptr;
  QProgressBar* ProgressBar10 = nullptr;
  PictureControl* Button_InternetUpdate = nullptr;
  ClickLabel* Label_CheckUpdate = nullptr;
  PictureControl* img_internet_status_text = nullptr;
  PictureControl* img_internet_status_icon = nullptr;
  ClickLabel* Label_InternetConnected = nullptr;
};

}  // namespace vortik
