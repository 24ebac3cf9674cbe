#include "device/device_info.h"

#include <algorithm>

#include "device/frame.h"

namespace vortik {

namespace {

void GetField(DeviceTextField& field, std::span<const uint8_t> payload, uint32_t offset) {
  std::copy_n(payload.begin() + offset, field.size(), field.begin());
}

uint16_t Le16(std::span<const uint8_t> payload, uint32_t offset) {
  return static_cast<uint16_t>(payload[offset] | (payload[offset + 1] << 8));
}

uint16_t Be16(std::span<const uint8_t> payload, uint32_t offset) {
  return static_cast<uint16_t>((payload[offset] << 8) | payload[offset + 1]);
}

bool UsableBlockSize(uint16_t size) {
  return size != 0 && size <= kMaxBlockSize;
}

void GetTexts(DeviceInfo& info, std::span<const uint8_t> payload, const DeviceInfoLayout& layout) {
  GetField(info.type, payload, layout.type);
  GetField(info.subtype, payload, layout.subtype);
  GetField(info.romVersion, payload, layout.romVersion);
  GetField(info.flashVersion, payload, layout.flashVersion);
}

void GetBlockSizes(DeviceInfo& info, std::span<const uint8_t> payload,
                   const DeviceInfoLayout& layout) {
  info.romBlockSize = Le16(payload, layout.blockSizes);
  info.flashBlockSize = Le16(payload, layout.blockSizes + 2);
}

bool IsFamily500(std::span<const uint8_t> payload) {
  constexpr uint32_t at = kDeviceInfoFamilyMark;
  return payload.size() >= at + 3 && payload[at] == '5' && payload[at + 1] == '0' &&
         payload[at + 2] == '0';
}

}  // namespace

std::optional<DeviceInfo> ParseDeviceInfo(std::span<const uint8_t> reply) {
  if (reply.size() < static_cast<size_t>(kFrameOverhead) || reply.size() > UINT32_MAX) {
    return std::nullopt;
  }
  const auto n = static_cast<uint32_t>(reply.size());
  if (FrameCommand(reply.data()) != ReplyCode(kCmdRequestDeviceInfo.code)) return std::nullopt;
  const int frameLength = CheckFrame(reply.data(), n);
  if (frameLength == 0) return std::nullopt;
  // The payload as the frame's own length field bounds it; bytes beyond are not the tool's.
  const std::span<const uint8_t> payload =
      reply.subspan(kFramePayloadOffset, static_cast<size_t>(frameLength - kFrameOverhead));

  DeviceInfo info;
  if (n > kDeviceInfoMidLength) {
    const bool family500 = IsFamily500(payload);
    const DeviceInfoLayout& layout = family500 ? kDeviceInfo500Layout : kDeviceInfoLayout;
    if (payload.size() < layout.parts()) return std::nullopt;
    GetTexts(info, payload, layout);
    GetBlockSizes(info, payload, layout);
    info.extended = true;
    info.family500 = family500;
    const uint16_t count = Be16(payload, layout.partCount);
    if (count != kNoPartTable) {
      if (count > kDevicePartCapacity) return std::nullopt;
      const size_t tableBytes = size_t{count} * std::tuple_size_v<DevicePartEntry>;
      if (payload.size() - layout.parts() < tableBytes) return std::nullopt;
      info.parts.resize(count);
      for (size_t i = 0; i < count; ++i) {
        std::copy_n(payload.begin() + layout.parts() + i * info.parts[i].size(),
                    info.parts[i].size(), info.parts[i].begin());
      }
    }
  } else if (n == kDeviceInfoMidLength || n == kDeviceInfoShortLength) {
    const DeviceInfoLayout& layout = kDeviceInfoLayout;
    if (payload.size() < layout.textEnd()) return std::nullopt;
    GetTexts(info, payload, layout);
    if (n == kDeviceInfoMidLength && payload.size() >= layout.blockSizesEnd()) {
      GetBlockSizes(info, payload, layout);
    }
  } else {
    return std::nullopt;
  }
  if (!UsableBlockSize(info.romBlockSize) || !UsableBlockSize(info.flashBlockSize)) {
    return std::nullopt;
  }
  return info;
}

}  // namespace vortik
