// TFormMain: the borderless main window, its shared state, timers, chrome and Host role.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

#include "app/host.h"
#include "app/main_state.h"
#include "device/sync_uart.h"

class QDialog;
class QGroupBox;
class QLineEdit;

namespace vortik {

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

  MainState state_;
  QDialog* form1_ = nullptr;
  QDialog* form2_ = nullptr;
  QDialog* form4_ = nullptr;
};

}  // namespace vortik
