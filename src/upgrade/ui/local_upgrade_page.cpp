#include "upgrade/ui/local_upgrade_page.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "base/host.h"
#include "device/device_commands.h"
#include "device/sync_uart.h"
#include "skin/ui/file_dialog.h"
#include "skin/ui/message_box.h"
#include "skin/ui/skin_style.h"
#include "upgrade/firmware_file.h"
#include "upgrade/local_upgrade.h"
#include "upgrade/ui/ask_string.h"

namespace vortik {

namespace {

// Device bytes (type, versions, ID) are 8-bit text; shown as Latin-1.
std::string ShownText(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
}

}  // namespace

LocalUpgradePage::LocalUpgradePage(QWidget* window, Host& host, TSyncUart& uart)
    : QWidget(window), host_(host), uart_(uart) {
  setObjectName(QStringLiteral("TabSheet_LocalUpgrade"));
  setAttribute(Qt::WA_TranslucentBackground);
  // The box captions are drawn straight on the window's dark skin.
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  setPalette(palette);
  // Its standard buttons, boxes and gauges in the skin's colours, not the platform's grey.
  setStyleSheet(SkinWidgetStyle());
  BuildControls();
}

void LocalUpgradePage::BuildControls() {
  // The language table gives the captions their texts; these are the built-in ones.
  const TextId captions[kBoxCount] = {TextId::GroupUpgradeRom, TextId::GroupUpgradeFlash,
                                      TextId::GroupUpgradeLogo};
  for (int i = 0; i < kBoxCount; ++i) {
    const int box = i + 1;
    const QString n = QString::number(box);
    Box& b = boxes_[static_cast<size_t>(i)];
    b.group = new QGroupBox(QString::fromUtf8(TextDefault(captions[i])), this);
    b.group->setObjectName(QStringLiteral("GroupBox_Upgrade") + n);
    b.group->setGeometry(24, 16 + i * 120, 600, 104);
    b.path = new QLineEdit(b.group);
    b.path->setObjectName(QStringLiteral("Edit_UpgradePath") + n);
    b.path->setReadOnly(true);
    b.path->setGeometry(16, 32, 384, 24);
    b.select = new QPushButton(QStringLiteral("Select file"), b.group);
    b.select->setObjectName(QStringLiteral("Button_UpgradeSelect") + n);
    b.select->setGeometry(408, 30, 84, 28);
    b.update = new QPushButton(QStringLiteral("Update"), b.group);
    b.update->setObjectName(QStringLiteral("Button_LocalUpgrade") + n);
    b.update->setGeometry(500, 30, 84, 28);
    b.status = new QLabel(QStringLiteral("Update..."), b.group);
    b.status->setObjectName(QStringLiteral("Label_UpdateStatus") + n);
    b.status->setGeometry(16, 66, 384, 20);
    b.status->setStyleSheet(QStringLiteral("color: red;"));
    b.status->hide();
    // The gauge takes exactly its path box's place; an upgrade shows one or the other.
    b.gauge = new QProgressBar(b.group);
    b.gauge->setObjectName(QStringLiteral("ProgressBar") + n);
    b.gauge->setTextVisible(false);
    b.gauge->setGeometry(b.path->geometry());
    b.gauge->hide();
    connect(b.select, &QPushButton::clicked, this, [this, box] { SelectUpgradeFile(box); });
    connect(b.update, &QPushButton::clicked, this, [this, box] { LocalUpgrade(box); });
  }
  auto makeButton = [this](const char* name, const char* caption, int y) {
    auto* button = new QPushButton(QString::fromLatin1(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(664, y, 140, 30);
    return button;
  };
  Button_QueryID = makeButton("Button_QueryID", "Query ID", 40);
  Button_SetID = makeButton("Button_SetID", "Set ID", 80);
  Button_QueryVersion = makeButton("Button_QueryVersion", "Query Version", 120);
  Button3 = makeButton("Button3", "Button3", 160);
  Button3->hide();
  connect(Button_QueryID, &QPushButton::clicked, this, &LocalUpgradePage::Button_QueryIDClick);
  connect(Button_SetID, &QPushButton::clicked, this, &LocalUpgradePage::Button_SetIDClick);
  connect(Button_QueryVersion, &QPushButton::clicked, this,
          &LocalUpgradePage::Button_QueryVersionClick);
  connect(Button3, &QPushButton::clicked, this, &LocalUpgradePage::testBurnRequested);
}

void LocalUpgradePage::ShowUpgradeMode(int upgradeMode, bool enabled) {
  for (int box = 1; box <= kBoxCount; ++box) {
    const Box& b = boxes_[static_cast<size_t>(box - 1)];
    b.update->setEnabled(enabled);
    b.select->setEnabled(enabled);
    const bool busy = upgradeMode == box;
    b.status->setVisible(busy);
    b.gauge->setVisible(busy);
    b.path->setVisible(!busy);
  }
  Button_QueryID->setEnabled(enabled);
  Button_SetID->setEnabled(enabled);
  Button_QueryVersion->setEnabled(enabled);
}

QProgressBar* LocalUpgradePage::Gauge(int box) const {
  return box >= 1 && box <= kBoxCount ? boxes_[static_cast<size_t>(box - 1)].gauge : nullptr;
}

QLabel* LocalUpgradePage::StatusLabel(int box) const {
  return box >= 1 && box <= kBoxCount ? boxes_[static_cast<size_t>(box - 1)].status : nullptr;
}

void LocalUpgradePage::SelectUpgradeFile(int box) {
  if (box < 1 || box > kBoxCount) return;
  const std::string_view filter = box == 1 ? kRomFileFilter : kFlashFileFilter;
  const QString chosen = AskOpenFileName(
      window(), QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())));
  if (!chosen.isEmpty()) boxes_[static_cast<size_t>(box - 1)].path->setText(chosen);
}

void LocalUpgradePage::LocalUpgrade(int box) {
  if (box < 1 || box > kBoxCount) return;
  RunLocalUpgrade(host_, uart_, box,
                  boxes_[static_cast<size_t>(box - 1)].path->text().toStdString());
}

bool LocalUpgradePage::DeviceButtonsUsable() const {
  return uart_.Active() && host_.state().upgradeMode == kUpgradeIdle;
}

void LocalUpgradePage::Button_QueryIDClick() {
  Button_QueryID->setEnabled(false);
  char id[kDeviceIdLength + 1] = {};
  if (QueryId(host_, uart_, id)) {
    host_.ShowMessage("ID: " + ShownText(id));
  } else {
    host_.ShowMessage(host_.Msg(TextId::MsgError20));
  }
  Button_QueryID->setEnabled(DeviceButtonsUsable());
}

void LocalUpgradePage::Button_SetIDClick() {
  QString text = QString::fromStdString(setIdProposal_);
  if (!AskString(window(), QStringLiteral("ID"), text, kDeviceIdLength)) return;
  const std::string id = TrimIdText(text.toStdString());
  setIdProposal_ = id;
  if (!IsValidDeviceId(id)) {
    host_.ShowMessage(host_.Msg(TextId::MsgError22));
    return;
  }
  if (!SetId(host_, uart_, id.c_str())) {
    host_.ShowMessage(host_.Msg(TextId::MsgError21));
    return;
  }
  host_.ShowMessage(host_.Msg(TextId::MsgInfo5));
  setIdProposal_ = NextIdProposal(setIdProposal_);
}

void LocalUpgradePage::Button_QueryVersionClick() {
  Button_QueryVersion->setEnabled(false);
  if (const std::optional<DeviceInfo> info = RequestDeviceInfo(host_, uart_)) {
    const std::string text = FieldText(info->type) + "-" + FieldText(info->subtype) +
                             "  ROM_ver:" + FieldText(info->romVersion) +
                             " FLASH_ver:" + FieldText(info->flashVersion);
    ShowMessageBox(window(), QString::fromStdString(ShownText(text)), QStringLiteral("info"));
  } else {
    host_.ShowMessage(host_.Msg(TextId::MsgError23));
  }
  Button_QueryVersion->setEnabled(DeviceButtonsUsable());
}

}  // namespace vortik
