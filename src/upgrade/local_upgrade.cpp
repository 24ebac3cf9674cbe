#include "upgrade/local_upgrade.h"

#include <cstdint>
#include <optional>

#include "base/host.h"
#include "device/device_commands.h"
#include "platform/file_ops.h"
#include "upgrade/burn_engine.h"
#include "upgrade/firmware_file.h"

namespace vortik {

namespace {

TextId BurnFailureText(FirmwareKind kind) {
  switch (kind) {
    case FirmwareKind::kRom:
      return TextId::MsgError8;
    case FirmwareKind::kFlash:
      return TextId::MsgError9;
    default:
      return TextId::MsgError10;
  }
}

// The device steps and the burn; returns the one message the user sees.
TextId UpgradeSteps(Host& host, TSyncUart& uart, FirmwareKind kind, const std::string& path,
                    int64_t size) {
  const std::optional<DeviceInfo> info = RequestDeviceInfo(host, uart);
  if (!info) return TextId::MsgError13;
  // One image is coming; its version is unknown, so the tool is told 0.0.0 for both.
  if (!NotifyLatestVersion(host, uart, FieldText(info->type), FieldText(info->subtype), "0.0.0",
                           "0.0.0", 1)) {
    return TextId::MsgError12;
  }
  if (!NotifyFirmwareSize(host, uart, kind, static_cast<uint32_t>(size))) {
    return TextId::MsgError11;
  }
  const uint16_t blockSize = kind == FirmwareKind::kRom ? info->romBlockSize : info->flashBlockSize;
  if (!BurnFile(host, uart, kind, path, blockSize)) return BurnFailureText(kind);
  return TextId::MsgInfo2;
}

}  // namespace

std::optional<TextId> RunLocalUpgrade(Host& host, TSyncUart& uart, int box,
                                      const std::string& path) {
  if (box < 1 || box > 3) return std::nullopt;
  // A path that names no readable regular file (never chosen, or deleted since) is refused
  // before the device is touched.
  const int64_t size = path.empty() ? -1 : platform::FileSize(path);
  if (size < 0) {
    host.ShowMessage(host.Msg(TextId::MsgError14));
    return TextId::MsgError14;
  }
  const auto kind = static_cast<FirmwareKind>(box);
  host.SetUpgradeMode(box);
  // An image larger than the 32-bit size field cannot be announced; BurnFile refuses it too.
  const TextId message =
      size > INT32_MAX ? BurnFailureText(kind) : UpgradeSteps(host, uart, kind, path, size);
  host.ShowMessage(host.Msg(message));
  host.SetUpgradeMode(kUpgradeIdle);
  return message;
}

}  // namespace vortik
