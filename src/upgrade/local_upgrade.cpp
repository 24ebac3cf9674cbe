#include "upgrade/local_upgrade.h"

#include <cstdint>
#include <optional>

#include "base/host.h"
#include "device/device_commands.h"
#include "platform/file_ops.h"
#include "upgrade/burn_engine.h"
#include "upgrade/firmware_file.h"
#include "upgrade/history.h"

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

const char* KindName(FirmwareKind kind) {
  switch (kind) {
    case FirmwareKind::kRom:
      return "ROM";
    case FirmwareKind::kFlash:
      return "FLASH";
    default:
      return "LOGO";
  }
}

// The device steps and the burn; returns the one message the user sees, and fills the record
// (its outcome key too).
TextId UpgradeSteps(Host& host, TSyncUart& uart, FirmwareKind kind, const std::string& path,
                    int64_t size, UpgradeRecord& record) {
  const std::optional<DeviceInfo> info = RequestDeviceInfo(host, uart);
  if (!info) {
    record.outcome = "no-device-info";
    return TextId::MsgError13;
  }
  record.toolType = FieldText(info->type);
  record.toolSubtype = FieldText(info->subtype);
  record.romBefore = record.romAfter = FieldText(info->romVersion);
  record.flashBefore = record.flashAfter = FieldText(info->flashVersion);
  // One image is coming; its version is unknown, so the tool is told 0.0.0 for both.
  if (!NotifyLatestVersion(host, uart, FieldText(info->type), FieldText(info->subtype), "0.0.0",
                           "0.0.0", 1)) {
    record.outcome = "version-not-taken";
    return TextId::MsgError12;
  }
  if (!NotifyFirmwareSize(host, uart, kind, static_cast<uint32_t>(size))) {
    record.outcome = "size-refused";
    return TextId::MsgError11;
  }
  const uint16_t blockSize = kind == FirmwareKind::kRom ? info->romBlockSize : info->flashBlockSize;
  BurnStats stats;
  const bool burned = BurnFile(host, uart, kind, path, blockSize, &stats);
  record.blocksSent = stats.blocksAcked;
  record.blocksRetried = stats.blocksRetried;
  if (!burned) {
    record.outcome = "burn-failed";
    return BurnFailureText(kind);
  }
  record.outcome = "burned";
  record.success = true;
  return TextId::MsgInfo2;
}

}  // namespace

std::optional<TextId> RunLocalUpgrade(Host& host, TSyncUart& uart, int box,
                                      const std::string& path) {
  if (box < 1 || box > 3) return std::nullopt;
  const auto kind = static_cast<FirmwareKind>(box);
  UpgradeRecord record;
  record.time = HistoryTimeNow();
  record.kind = "local";
  const HistorySink& history = host.services().recordHistory;
  // A path that names no readable regular file (never chosen, or deleted since) is refused
  // before the device is touched.
  const int64_t size = path.empty() ? -1 : platform::FileSize(path);
  if (size < 0) {
    host.ShowMessage(host.Msg(TextId::MsgError14));
    if (history) {
      record.outcome = "no-file";
      record.message = host.Msg(TextId::MsgError14);
      history(record);
    }
    return TextId::MsgError14;
  }
  if (history) AddRecordFile(record, KindName(kind), path);
  host.SetUpgradeMode(box);
  // An image larger than the 32-bit size field cannot be announced; BurnFile refuses it too.
  TextId message = BurnFailureText(kind);
  if (size > INT32_MAX) {
    record.outcome = "too-large";
  } else {
    message = UpgradeSteps(host, uart, kind, path, size, record);
  }
  host.ShowMessage(host.Msg(message));
  if (history) {
    record.message = host.Msg(message);
    history(record);
  }
  host.SetUpgradeMode(kUpgradeIdle);
  return message;
}

}  // namespace vortik
