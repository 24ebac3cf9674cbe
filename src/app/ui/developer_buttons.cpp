#include "app/ui/developer_buttons.h"

#include <QLabel>
#include <QPushButton>

#include <utility>

#include "app/ui/form_main.h"
#include "platform/folders.h"
#include "skin/ui/message_box.h"
#include "upgrade/burn_engine.h"
#include "upgrade/downloads.h"
#include "upgrade/ui/internet_upgrade_page.h"
#include "upgrade/ui/local_upgrade_page.h"
#include "upgrade/update_server.h"

namespace vortik {

namespace {

QPushButton* MakeHiddenButton(QWidget* window, const char* name, const char* text, int x) {
  auto* button = new QPushButton(QString::fromLatin1(text), window);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(x, 24, 75, 25);
  button->hide();
  return button;
}

}  // namespace

DeveloperButtons::DeveloperButtons(TFormMain* window, std::string legacyServer)
    : QObject(window), window_(window), legacyServer_(std::move(legacyServer)) {
  Button_Test1 = MakeHiddenButton(window, "Button_Test1", "Test1", 480);
  Button_Test2 = MakeHiddenButton(window, "Button_Test2", "Test2", 568);
  connect(Button_Test1, &QPushButton::clicked, this, &DeveloperButtons::Button_Test1Click);
  connect(Button_Test2, &QPushButton::clicked, this, &DeveloperButtons::Button_Test2Click);
  // The Local Upgrade page is built when first shown; its hidden test burn is wired then.
  connect(window, &TFormMain::pageBuilt, this, [this](PageId page) {
    if (page != PageId::kLocalUpgrade) return;
    connect(window_->localUpgradePage(), &LocalUpgradePage::testBurnRequested, this,
            &DeveloperButtons::Button3Click);
  });
}

void DeveloperButtons::Button_Test2Click() {
  window_->OpenDiagnosticPort(3);
}

void DeveloperButtons::Button_Test1Click() {
  window_->OpenDiagnosticPort(4);
  QLabel* status = window_->findChild<QLabel*>(QStringLiteral("Label_Status"));
  window_->RouteProgress(window_->curGauge(), status);
  if (status != nullptr) status->show();
  if (legacyServer_.empty()) return;
  // The legacy update check for a fixed tool, then the ROM it names; the result is not shown.
  UpdateOffer offer;
  if (CheckUpgradeLegacy(legacyServer_, "Tq850", "1.2", &offer)) {
    window_->RouteProgress(window_->internetUpgradePage()->Gauge(), status);
    (void)DownloadLegacyFile(*window_, legacyServer_, offer.romLocation);
  }
}

void DeveloperButtons::Button3Click() {
  window_->OpenDiagnosticPort(4);
  LocalUpgradePage* page = window_->localUpgradePage();
  window_->RouteProgress(page->Gauge(2), page->StatusLabel(2));
  // The test transfer reads a fixed file; on Linux it lives in the temporary folder.
  if (BurnTestFile(*window_, window_->SyncUart(), platform::TempDir() + "test.fls")) {
    ShowMessageBox(window_, QStringLiteral("OK"));
  }
}

}  // namespace vortik
