#include "upgrade/firmware_file.h"

#include "platform/file_ops.h"

namespace vortik {

std::string_view FirmwareKindWord(FirmwareKind kind) {
  switch (kind) {
    case FirmwareKind::kRom:
      return "ROM";
    case FirmwareKind::kFlash:
      return "FLASH";
    case FirmwareKind::kLogo:
      return "LOGO";
  }
  return {};
}

int64_t FirmwareFileSize(const std::string& path) {
  int64_t size = platform::FileSize(path);
  return size < 0 ? 0 : size;
}

}  // namespace vortik
