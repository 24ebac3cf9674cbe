// TFormMain: the borderless main window, its shared state, timers, chrome and Host role.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/connectivity.h"
#include "base/host.h"
#include "base/main_state.h"
#include "device/sync_uart.h"
#include "skin/bitmap_factory.h"

class QDialog;
class QGroupBox;
class QLineEdit;
class QPainter;

namespace vortik {

class ClickLabel;
class PictureControl;
class PrintPanel;

class TFormMain : public QWidget, public Host {
  Q_OBJECT

 public:
  explicit TFormMain(QWidget* parent = nullptr);
  ~TFormMain() override;

  // Host
  MainState& state() override { return state_; }
  void SetStatusText(const std::string& utf8) override;
  void SetGaugeMax(int max) override;
  void SetGaugePos(int pos) override;
  void ShowMessage(const std::string& utf8) override;
  void ProcessEvents() override;
  void SetUpgradeMode(int mode) override;
  void ScanDevicePort() override;

  // The dialogs created by the entry after the main window (language, product language, car type).
  void AttachDialogs(QDialog* form1, QDialog* form2, QDialog* form4);

  // --- chrome -------------------------------------------------------------------------------
  QPushButton* SpeedButtonSetting = nullptr;
  QPushButton* btn_minimize = nullptr;
  QPushButton* SpeedButton4 = nullptr;
  QLabel* Label_Status = nullptr;
  QPushButton* Button_Test1 = nullptr;
  QPushButton* Button_Test2 = nullptr;

  // The page container and its six pages; pages 0..3 are lifted onto the window by the tab
  // set-up, pages 4 and 5 stay inside the hidden container.
  QWidget* PageControl_Main = nullptr;
  QWidget* TabSheet_InternetUpgrade = nullptr;
  QWidget* TabSheetPrint = nullptr;
  QWidget* TabSheet3 = nullptr;
  QWidget* Feedback = nullptr;
  QWidget* TabSheet_Manual = nullptr;
  QWidget* TabSheet_LocalUpgrade = nullptr;

  // The Print page's content (report text, chart, their actions, the stream receiver).
  PrintPanel* printPanel = nullptr;

  // --- timers -------------------------------------------------------------------------------
  QTimer* UartReadTimer = nullptr;
  QTimer* TimerCheckInternet = nullptr;
  QTimer* TimerAnimator = nullptr;
  QTimer* TimerMonitorWaveRecv = nullptr;

  // --- upgrade progress targets (chosen by SetUpgradeMode) ----------------------------------
  QProgressBar* curGauge = nullptr;
  QLabel* curStatusLabel = nullptr;

  // --- device link ---------------------------------------------------------------------------
  TSyncUart& SyncUart() { return *syncUart; }
  std::unique_ptr<TSyncUart> syncUart;  // the one serial port to the tool; lives with the window
  void initUartPort(int port);
  void Button_QueryIDClick();
  void Button_SetIDClick();
  void Button_QueryVersionClick();
  void Button_Test1Click();
  void Button_Test2Click();
  void Button3Click();
  void OpenDiagnosticPort(int port);
  std::string setIdProposal;  // the Set ID button's next offer

  // --- page 0: internet upgrade -------------------------------------------------------------
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
  // "Check Update" (Button_InternetUpdate and Label_CheckUpdate): the whole internet upgrade
  // (src/upgrade/form_main_internet_upgrade.cpp).
  void Button_InternetUpdateClick();
  void Label_InternetUpgradeClick();
  // Connectivity indicator (page 0).
  void UpdateInternetState(bool connected);
  void BlinkInternetIcon();

  // --- page 5: local upgrade ----------------------------------------------------------------
  QGroupBox* GroupBox_Upgrade1 = nullptr;
  QGroupBox* GroupBox_Upgrade2 = nullptr;
  QGroupBox* GroupBox_Upgrade3 = nullptr;
  QLineEdit* Edit_UpgradePath1 = nullptr;
  QLineEdit* Edit_UpgradePath2 = nullptr;
  QLineEdit* Edit_UpgradePath3 = nullptr;
  QPushButton* Button_UpgradeSelect1 = nullptr;
  QPushButton* Button_UpgradeSelect2 = nullptr;
  QPushButton* Button_UpgradeSelect3 = nullptr;
  QPushButton* Button_LocalUpgrade1 = nullptr;
  QPushButton* Button_LocalUpgrade2 = nullptr;
  QPushButton* Button_LocalUpgrade3 = nullptr;
  QLabel* Label_UpdateStatus1 = nullptr;
  QLabel* Label_UpdateStatus2 = nullptr;
  QLabel* Label_UpdateStatus3 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QProgressBar* ProgressBar2 = nullptr;
  QProgressBar* ProgressBar3 = nullptr;
  QPushButton* Button_QueryID = nullptr;
  QPushButton* Button_SetID = nullptr;
  QPushButton* Button_QueryVersion = nullptr;
  QPushButton* Button3 = nullptr;

  // --- local upgrade flow (page 5 buttons) ---------------------------------------------------
  void Button_UpgradeSelect1Click() { SelectUpgradeFile(1); }
  void Button_UpgradeSelect2Click() { SelectUpgradeFile(2); }
  void Button_UpgradeSelect3Click() { SelectUpgradeFile(3); }
  void Button_LocalUpgrade1Click() { LocalUpgrade(1); }
  void Button_LocalUpgrade2Click() { LocalUpgrade(2); }
  void Button_LocalUpgrade3Click() { LocalUpgrade(3); }
  void SelectUpgradeFile(int box);
  void LocalUpgrade(int box);
  void BindLocalUpgrade();

  // --- skin ---------------------------------------------------------------------------------
  std::unique_ptr<TBitmapFactory> bitmapFactory;
  BitmapRef bkBitmap;
  // Tab row: four tab pictures with their captions, and the controls lifted from pages 0..3.
  PictureControl* TabImgBtn0 = nullptr;
  PictureControl* TabImgBtn1 = nullptr;
  PictureControl* TabImgBtn2 = nullptr;
  PictureControl* TabImgBtn3 = nullptr;
  ClickLabel* Label_InternetUpgrade = nullptr;
  ClickLabel* Label_Print = nullptr;
  ClickLabel* Label_DtcLookup = nullptr;
  ClickLabel* Label_Feedback = nullptr;
  std::array<PictureControl*, 4> tabImages{};
  std::array<std::vector<QWidget*>, 4> pageControls;
  void SetupSkin();
  void SwitchTabImgBtn(int index);
  void TabImgBtnClick();
  void Label_PrintClick();
  void Label_DtcLookupClick();
  void Label_FeedbackClick();

  // --- language -----------------------------------------------------------------------------
  // Reads lang.ini once: langIndex, langText, captions, fonts and per-language layout.
  void LoadLanguageTexts();
  void ApplyLanguageFonts(int language);
  void PlaceCheckUpdateLabel();
  // Puts Label_InternetConnected on its plate for the language and connection state.
  void PlaceInternetCaption(bool connected);

 public Q_SLOTS:
  void btn_minimizeClick();
  void SpeedButton4Click();
  void SpeedButtonSettingClick();
  void UartReadTimerTimer();
  void TimerCheckInternetTimer();
  void TimerAnimatorTimer();
  void TimerMonitorWaveRecvTimer();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildComponents();
  void BuildLocalUpgradePage();  // device link: page 5 and the diagnostic buttons
  void PlaceLocalUpgradeGauges();
  void StartDeviceMonitor();
  void UpdateUartReadTimer();
  bool FormCloseQuery();
  // Skin, tabs and page 0 (src/skin, src/app/tabs.cpp, src/app/connectivity_ui.cpp).
  void BuildTabRow();
  void BuildPage0();
  void StyleWindow();
  void SetupTabs();
  void ActivateIfPresent(const char* name, const char* normal, const char* pressed);
  void PaintBackground(QPainter& painter);
  static void CollectPageControls(QWidget* page, std::vector<QWidget*>& list);
  void MovePageControls(const std::vector<QWidget*>& list);
  static void ShowPageControls(const std::vector<QWidget*>& list, bool visible);
  void DrawTabPicture(int tab, bool current);
  void FitTabCaptions();
  InternetIndicator internetIndicator_;
  QPixmap bkPixmap_;

  MainState state_;
  QDialog* form1_ = nullptr;
  QDialog* form2_ = nullptr;
  QDialog* form4_ = nullptr;
};

}  // namespace vortik
