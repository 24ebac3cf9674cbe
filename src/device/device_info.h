// The device-info reply: where each field sits in its payload (read by the PC, written by the
// emulated tool) and the parser of a whole reply frame.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "base/device_info.h"

namespace vortik {

// Payload offsets of one form of the reply. Text fields are 10 bytes; the block sizes are 16
// bits little-endian, ROM then FLASH; the part count is 16 bits big-endian and the entries of
// the part table follow it.
struct DeviceInfoLayout {
  uint32_t type, subtype, romVersion, flashVersion;
  uint32_t blockSizes;
  uint32_t partCount;

  constexpr uint32_t textEnd() const { return flashVersion + kDeviceTextWidth; }
  constexpr uint32_t blockSizesEnd() const { return blockSizes + 4; }
  constexpr uint32_t parts() const { return partCount + 2; }

  static constexpr uint32_t kDeviceTextWidth = 10;
};

// The short forms (frames of kDeviceInfoShortLength and kDeviceInfoMidLength bytes) and the
// long form use the fields of this layout as far as they reach.
inline constexpr DeviceInfoLayout kDeviceInfoLayout{0, 10, 20, 30, 40, 44};
// The long form of the 500 family: a 6-byte family header whose bytes 2..4 read "500", the
// type, 4 unused bytes, then the other fields 10 bytes later than in kDeviceInfoLayout.
inline constexpr DeviceInfoLayout kDeviceInfo500Layout{6, 20, 30, 40, 50, 54};
inline constexpr uint32_t kDeviceInfoFamilyHeader = 6;
inline constexpr uint32_t kDeviceInfoFamilyMark = 2;  // where "500" sits in the header

// The largest part table a reply may carry, and the count that means "no table".
inline constexpr uint16_t kDevicePartCapacity = 540;
inline constexpr uint16_t kNoPartTable = 0x01FF;

// The device information in a reply frame of `reply.size()` bytes, which must hold exactly the
// bytes received. Refused: a frame that is not a whole good device-info reply, a payload
// shorter than its form, block sizes of 0 or above kMaxBlockSize, a part count above
// kDevicePartCapacity other than kNoPartTable, a table longer than the payload. A frame of 54
// bytes without block sizes, or of 50 bytes, gets kDefaultBlockSize for both.
std::optional<DeviceInfo> ParseDeviceInfo(std::span<const uint8_t> reply);

}  // namespace vortik
