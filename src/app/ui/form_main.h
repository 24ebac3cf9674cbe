// TFormMain: the borderless main window. It keeps the frame, the tab row, the timers, the serial
// port and the Host role, and shows one of its six pages at a time. Only the first page is built
// with the window; each other page is built the first time it is shown or asked for.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "base/app_config.h"
#include "base/host.h"
#include "base/main_state.h"
#include "device/sync_uart.h"
#include "skin/bitmap_factory.h"
#include "skin/ui/picture_control.h"

class QDialog;
class QLabel;
class QPainter;
class QProgressBar;
class QPushButton;

namespace vortik {

class ClickLabel;
class DtcLookupPage;
class FeedbackPage;
class InternetUpgradePage;
struct LanguageTable;
class LocalUpgradePage;
class MainMenuButton;
class ManualPage;
class PictureControl;
class PrintPage;

// The pages in their designed order; the first four are the tabs.
enum class PageId { kInternetUpgrade, kPrint, kDtcLookup, kFeedback, kManual, kLocalUpgrade };
inline constexpr int kTabCount = 4;
inline constexpr const char* kBackgroundPicture = "png:main";

// The face of tab `tab` (0-based), as the current tab or as another.
std::string TabPictureName(int tab, bool current);
inline constexpr int kPageCount = 6;

class TFormMain : public QWidget, public Host {
  Q_OBJECT

 public:
  // `config` (servers, language files, demo switches) is kept for the window's life; each page
  // gets what it needs of it. The default has no servers and no demo switches. `services` are
  // the pickers, download backend and device lister the flows use; a demo device path in the
  // configuration replaces the lister with one that lists that path as the Scan Tool.
  explicit TFormMain(AppConfig config = {}, Services services = {}, QWidget* parent = nullptr);
  ~TFormMain() override;

  // Host
  MainState& state() override { return state_; }
  Services& services() override { return services_; }
  void SetStatusText(const std::string& utf8) override;
  void SetGaugeMax(int max) override;
  void SetGaugePos(int pos) override;
  void ShowMessage(const std::string& utf8) override;
  void ProcessEvents() override;
  void SetUpgradeMode(int mode) override;
  void ScanDevicePort() override;

  // Where the settings button gets the language dialog from (the entry makes it on first use).
  void SetLanguageDialog(std::function<QDialog*()> form1) { form1_ = std::move(form1); }

  TSyncUart& SyncUart() { return *syncUart_; }

  // Tab row: switches to tab `index` (0..3) unless an upgrade runs or it is current already.
  void SwitchTabImgBtn(int index);
  // Shows page `page`; a tab's page switches its tab. The Manual and Local Upgrade pages, reached
  // through the menu, make no tab current (curTab holds their page number), so the timers of
  // the tabs stop while they show. Nothing changes while an upgrade runs.
  void ShowPage(PageId page);
  PageId currentPage() const { return currentPage_; }
  // Page `page`, built (hidden, in the window's language) if it has not been yet.
  QWidget* page(PageId page);
  // Page `page` if it has been built, else nullptr; builds nothing.
  QWidget* builtPage(PageId page) const { return pages_[static_cast<size_t>(page)]; }

  // Sets the language's font substitutions, texts, layout corrections and fitted captions on the
  // frame, the tab row and the pages built so far; a page built later takes them as it is built.
  // The window applies its language this way when it is made.
  void ApplyLanguage(const LanguageTable& table);

  // The gauge and status label that upgrade progress goes to (chosen by SetUpgradeMode).
  QProgressBar* curGauge() const { return curGauge_; }
  QLabel* curStatusLabel() const { return curStatusLabel_; }

  // The connectivity indicator of the Internet Upgrade page.
  void UpdateInternetState(bool connected);

  TBitmapFactory& Pictures() { return *bitmapFactory_; }
  MainMenuButton* menuButton() const { return menuButton_; }
  const std::array<PictureControl*, kTabCount>& tabImages() const { return tabImages_; }

  // The first page, built with the window.
  InternetUpgradePage* internetUpgradePage() const { return internetUpgradePage_; }
  // These build their page when it has not been built yet (see page()).
  PrintPage* printPage();
  LocalUpgradePage* localUpgradePage();

  // Takes port `port` as the tool's without looking for it: status line, port, receive timer
  // (the developer buttons' fixed ports).
  void OpenDiagnosticPort(int port);
  // Where progress goes until the next SetUpgradeMode chooses again.
  void RouteProgress(QProgressBar* gauge, QLabel* statusLabel) {
    curGauge_ = gauge;
    curStatusLabel_ = statusLabel;
  }

 Q_SIGNALS:
  // Page `page` has just been built, with the language texts applied.
  void pageBuilt(vortik::PageId page);

 public Q_SLOTS:
  void btn_minimizeClick();
  void SpeedButton4Click();
  void SpeedButtonSettingClick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildChrome();
  void BuildTabRow();
  void BuildPages();
  // Builds page `page` hidden in the page area, with the window's language, and sets it up for
  // the window's current state.
  void BuildPage(PageId page);
  // The captions of a built page that shrink to fit their places in the current language.
  void FitPageCaptions(PageId page);
  // Page shortcuts and the order in which Tab walks the title band and the tab row
  // (keyboard.cpp).
  void BuildKeyboard();
  // The tab after (step 1) or before (step -1) the current one, round the row.
  void StepTab(int step);
  // Changes page as the tab does and gives the tab the focus.
  void SwitchTabFromKeyboard(int tab);
  void StyleWindow();
  void StyleScrollBars();
  void FitTabCaptions();
  void DrawTabPicture(int tab, bool current);
  void RoutePage(PageId page);
  // Draws tab `tab` with its current or other picture and caption colour.
  void ShowTabCurrent(int tab, bool current);
  // The timers follow curTab: the connectivity poll and blink on tab 0, the receiver on tab 1.
  void ApplyTabTimers();
  void TabImgBtnClick();
  void Label_InternetUpgradeClick();
  bool FormCloseQuery();

  // Device link (device_link.cpp).
  void StartDeviceMonitor();
  void initUartPort(int port);
  void UpdateUartReadTimer();
  // Whether the upgrade buttons answer: the tool is there and no upgrade runs.
  bool UpgradeEnabled() const;
  // The status line's text between runs: the tool's port, or that there is none. It is kept
  // so that a run or a device command that ends puts it back.
  void SetConnectionStatus(const QString& text, const QString& toolTip);
  void ShowConnectionStatus();

  const AppConfig config_;
  Services services_;
  MainState state_;
  std::unique_ptr<TSyncUart> syncUart_;  // the one serial port to the tool
  std::unique_ptr<TBitmapFactory> bitmapFactory_;
  std::unique_ptr<LanguageTable> language_;  // applied to each page as it is built
  SkinPixmap bkPixmap_;
  // The background in the screen's pixel format, converted beside the rest of start-up; it
  // becomes bkPixmap_ at the first paint.
  std::future<SkinImages> bkImages_;
  bool scrollBarsStyled_ = false;  // the scroll-bar style is set (after the first paint)

  QPushButton* SpeedButtonSetting = nullptr;
  MainMenuButton* menuButton_ = nullptr;  // beside the gear: Manual, Upgrade from files, About
  QPushButton* btn_minimize = nullptr;
  QPushButton* SpeedButton4 = nullptr;
  QLabel* Label_Status = nullptr;

  std::array<PictureControl*, kTabCount> tabImages_{};
  std::array<ClickLabel*, kTabCount> tabCaptions_{};

  InternetUpgradePage* internetUpgradePage_ = nullptr;
  PrintPage* printPage_ = nullptr;
  DtcLookupPage* dtcLookupPage_ = nullptr;
  FeedbackPage* feedbackPage_ = nullptr;
  ManualPage* manualPage_ = nullptr;
  LocalUpgradePage* localUpgradePage_ = nullptr;
  std::array<QWidget*, kPageCount> pages_{};  // nullptr until built
  PageId currentPage_ = PageId::kInternetUpgrade;

  QProgressBar* curGauge_ = nullptr;
  QLabel* curStatusLabel_ = nullptr;
  QString connectionStatus_;
  QString connectionToolTip_;

  std::function<QDialog*()> form1_;
};

}  // namespace vortik
