// The request paths of the update and legacy update servers, below their configured addresses.
#pragma once

namespace vortik {

inline constexpr char kUpdateServerPath[] = "/HandheldDeviceUpdate/OSSService.php";
inline constexpr char kLegacyServerPath[] = "/uplink/vx_checkupgrade.php";

}  // namespace vortik
