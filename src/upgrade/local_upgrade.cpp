#include "upgrade/local_upgrade.h"

#include <cstdint>

#include "base/host.h"
#include "device/device_commands.h"
#include "i18n/msg.h"
#include "platform/file_ops.h"
#include "upgrade/burn_engine.h"
#include "upgrade/firmware_file.h"

namespace vortik {

namespace {

std::string BurnFailureText(FirmwareKind kind) {
  switch (kind) {
    case FirmwareKind::kRom:
      return Msg("MsgError8", "Burn ROM fail!");
    case FirmwareKind::kFlash:
      return Msg("MsgError9", "Burn FLASH fail!");
    default:
      return Msg("MsgError10", "Burn LOGO fail!");
  }
}

// The device steps and the burn; returns the one message the user sees.
std::string UpgradeSteps(Host& host, TSyncUart& uart, FirmwareKind kind, const std::string& path,
                         int64_t size) {
  DeviceTextField type{}, subtype{}, romVersion{}, flashVersion{};
  if (!RequestDeviceInfo(host, uart, type, subtype, romVersion, flashVersion)) {
    return Msg("MsgError13", "Fail to request device info!");
  }
  // One image is coming; its version is unknown, so the tool is told 0.0.0 for both.
  if (!NotifyLatestVersion(host, uart, FieldText(type), FieldText(subtype), "0.0.0", "0.0.0", 1)) {
    return Msg("MsgError12", "Fail to nofity latest version to device!");
  }
  if (!NotifyFirmwareSize(host, uart, kind, static_cast<uint32_t>(size))) {
    return Msg("MsgError11", "Fail to nofity firmware size to device!");
  }
  if (!BurnFile(host, uart, kind, path)) return BurnFailureText(kind);
  return Msg("MsgInfo2", "Upgrade finished!");
}

}  // namespace

void RunLocalUpgrade(Host& host, TSyncUart& uart, int box, const std::string& path) {
  if (box < 1 || box > 3) return;
  // A path that names no readable regular file (never chosen, or deleted since) is refused
  // before the device is touched.
  const int64_t size = path.empty() ? -1 : platform::FileSize(path);
  if (size < 0) {
    host.ShowMessage(Msg("MsgError14", "Invalid input file!"));
    return;
  }
  const auto kind = static_cast<FirmwareKind>(box);
  host.SetUpgradeMode(box);
  // An image larger than the 32-bit size field cannot be announced; BurnFile refuses it too.
  const std::string message =
      size > INT32_MAX ? BurnFailureText(kind) : UpgradeSteps(host, uart, kind, path, size);
  host.ShowMessage(message);
  host.SetUpgradeMode(0);
}

}  // namespace vortik
