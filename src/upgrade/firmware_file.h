// Firmware image kinds, their words and file filters, image file size, the verification trailer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/frame.h"  // FirmwareKind

namespace vortik {

// "ROM", "FLASH" or "LOGO"; empty for any other value.
std::string_view FirmwareKindWord(FirmwareKind kind);

// Filters of the open-file dialogs of the local upgrade; the LOGO box uses the FLASH filter.
inline constexpr std::string_view kRomFileFilter = "ROM files|*.rom|All files|*.*";
inline constexpr std::string_view kFlashFileFilter = "FLASH files|*.fls|All files|*.*";

// Size of an image file in bytes; 0 when it cannot be opened.
int64_t FirmwareFileSize(const std::string& path);

// Files of the legacy update server may end in a trailer: the marker, then the MD5 of the bytes
// before the trailer as 32 hexadecimal digits. The trailer is not part of the image.
inline constexpr std::string_view kMd5TrailerMarker = "md5_check-v1.0.0";
inline constexpr size_t kMd5TrailerSize = 48;
inline constexpr size_t kMd5TrailerHexSize = 32;

}  // namespace vortik
