// What the tool says about itself in its device-info reply, as one value.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vortik {

// A 10-byte device text field: up to 10 characters, NUL-padded; 10 characters have no NUL.
using DeviceTextField = std::array<char, 10>;
// One entry of the tool's FLASH part table: address, size (big-endian 32 bits each), tag.
using DevicePartEntry = std::array<uint8_t, 10>;

// Data bytes per BurnBlock when the reply does not say.
inline constexpr uint16_t kDefaultBlockSize = 512;

struct DeviceInfo {
  DeviceTextField type{}, subtype{}, romVersion{}, flashVersion{};
  uint16_t romBlockSize = kDefaultBlockSize;    // data bytes per BurnBlock for ROM images
  uint16_t flashBlockSize = kDefaultBlockSize;  // ... for FLASH and LOGO images
  bool extended = false;   // the long form: the tool has a part table and a product choice
  bool family500 = false;  // the long form of the 500 family (its fields sit 10 bytes later)
  std::vector<DevicePartEntry> parts;  // the long form's part table; empty when it has none
};

}  // namespace vortik
