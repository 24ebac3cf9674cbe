// The Local Upgrade page's buttons: choose an image file per box and burn it.
#include <QLineEdit>
#include <QPushButton>

#include "app/file_dialog.h"
#include "app/form_main.h"
#include "upgrade/firmware_file.h"
#include "upgrade/local_upgrade.h"

namespace vortik {

void TFormMain::BindLocalUpgrade() {
  connect(Button_UpgradeSelect1, &QPushButton::clicked, this,
          &TFormMain::Button_UpgradeSelect1Click);
  connect(Button_UpgradeSelect2, &QPushButton::clicked, this,
          &TFormMain::Button_UpgradeSelect2Click);
  connect(Button_UpgradeSelect3, &QPushButton::clicked, this,
          &TFormMain::Button_UpgradeSelect3Click);
  connect(Button_LocalUpgrade1, &QPushButton::clicked, this, &TFormMain::Button_LocalUpgrade1Click);
  connect(Button_LocalUpgrade2, &QPushButton::clicked, this, &TFormMain::Button_LocalUpgrade2Click);
  connect(Button_LocalUpgrade3, &QPushButton::clicked, this, &TFormMain::Button_LocalUpgrade3Click);
}

void TFormMain::SelectUpgradeFile(int box) {
  QLineEdit* edits[3] = {Edit_UpgradePath1, Edit_UpgradePath2, Edit_UpgradePath3};
  if (box < 1 || box > 3) return;
  const std::string_view filter = box == 1 ? kRomFileFilter : kFlashFileFilter;
  const QString chosen = AskOpenFileName(
      this, QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())));
  if (!chosen.isEmpty()) edits[box - 1]->setText(chosen);
}

void TFormMain::LocalUpgrade(int box) {
  QLineEdit* edits[3] = {Edit_UpgradePath1, Edit_UpgradePath2, Edit_UpgradePath3};
  if (box < 1 || box > 3) return;
  RunLocalUpgrade(*this, SyncUart(), box, edits[box - 1]->text().toStdString());
}

}  // namespace vortik
