#include "device/frame.h"

#include <array>
#include <cstring>

namespace vortik {

namespace {

constexpr std::array<uint16_t, 256> MakeCrcTable() {
  std::array<uint16_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1u) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0x8408u)
                            : static_cast<uint16_t>(crc >> 1);
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

int BuildMarkedFrame(uint8_t marker, int maxPayload, uint8_t* buffer, uint16_t command,
                     const uint8_t* payload, int payloadLength) {
  if (buffer == nullptr || payloadLength < 0 || payloadLength > maxPayload) return 0;
  const int length = payloadLength + kFrameOverhead;
  buffer[0] = marker;
  buffer[1] = marker;
  buffer[2] = static_cast<uint8_t>(length & 0xFF);
  buffer[3] = static_cast<uint8_t>(length >> 8);
  buffer[4] = static_cast<uint8_t>(command & 0xFF);
  buffer[5] = static_cast<uint8_t>(command >> 8);
  buffer[length - 2] = 0x0D;
  buffer[length - 1] = 0x0A;
  if (payloadLength == 0) {
    SealFrame(buffer, length);
  } else if (payload != nullptr) {
    std::memcpy(buffer + kFramePayloadOffset, payload, static_cast<size_t>(payloadLength));
    SealFrame(buffer, length);
  }
  return length;
}

int CheckMarkedFrame(uint8_t marker, const uint8_t* buffer, uint32_t available) {
  if (buffer == nullptr || available < static_cast<uint32_t>(kFrameOverhead)) return 0;
  if (buffer[0] != marker || buffer[1] != marker) return 0;
  const uint32_t length = FrameLengthField(buffer);
  if (length < static_cast<uint32_t>(kFrameOverhead) || length > available) return 0;
  if (buffer[length - 2] != 0x0D || buffer[length - 1] != 0x0A) return 0;
  const uint16_t crc = FrameCrc16(buffer, static_cast<uint16_t>(length - 4));
  const uint16_t stored = static_cast<uint16_t>(buffer[length - 4] | (buffer[length - 3] << 8));
  return crc == stored ? static_cast<int>(length) : 0;
}

}  // namespace

uint16_t FrameCrc16(const uint8_t* bytes, uint16_t count) {
  uint16_t crc = 0xFFFF;
  for (uint16_t i = 0; i < count; ++i) {
    crc = static_cast<uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ bytes[i]) & 0xFFu]);
  }
  return static_cast<uint16_t>(~crc);
}

int BuildFrame(uint8_t* buffer, uint16_t command, const uint8_t* payload, int payloadLength) {
  return BuildMarkedFrame(kRequestMarker, kMaxRequestPayload, buffer, command, payload,
                          payloadLength);
}

int BuildReplyFrame(uint8_t* buffer, uint16_t command, const uint8_t* payload, int payloadLength) {
  return BuildMarkedFrame(kReplyMarker, kMaxReplyPayload, buffer, command, payload, payloadLength);
}

void SealFrame(uint8_t* buffer, int length) {
  if (buffer == nullptr || length < kFrameOverhead) return;
  const uint16_t crc = FrameCrc16(buffer, static_cast<uint16_t>(length - 4));
  buffer[length - 4] = static_cast<uint8_t>(crc & 0xFF);
  buffer[length - 3] = static_cast<uint8_t>(crc >> 8);
}

int CheckFrame(const uint8_t* buffer, uint32_t available) {
  return CheckMarkedFrame(kReplyMarker, buffer, available);
}

int CheckRequestFrame(const uint8_t* buffer, uint32_t available) {
  return CheckMarkedFrame(kRequestMarker, buffer, available);
}

bool ReplyAccepted(const uint8_t* request, const uint8_t* reply, uint32_t received,
                   uint32_t expectedLength, bool hasStatus) {
  if (request == nullptr || reply == nullptr) return false;
  if (received != expectedLength || received < static_cast<uint32_t>(kFrameOverhead)) {
    return false;
  }
  if (reply[4] != static_cast<uint8_t>(request[4] + kReplyCodeOffset) || reply[5] != request[5]) {
    return false;
  }
  if (hasStatus && reply[kFrameStatusOffset] != 0) return false;
  return CheckFrame(reply, received) != 0;
}

namespace {

// The notice's four text fields, in wire order after the image count.
constexpr std::string VersionNotice::*kNoticeFields[] = {
    &VersionNotice::type, &VersionNotice::subtype, &VersionNotice::romVersion,
    &VersionNotice::flashVersion};

}  // namespace

std::array<uint8_t, kNotifyLatestVersionPayload> EncodeVersionNotice(const VersionNotice& notice) {
  std::array<uint8_t, kNotifyLatestVersionPayload> payload{};
  payload[0] = notice.images;
  uint8_t* out = payload.data() + 1;
  for (std::string VersionNotice::*field : kNoticeFields) {
    const std::string& text = notice.*field;
    // The field ends at the text's end or at a NUL inside it; the rest stays NUL.
    for (size_t i = 0; i < kNoticeFieldWidth && i < text.size() && text[i] != '\0'; ++i) {
      out[i] = static_cast<uint8_t>(text[i]);
    }
    out += kNoticeFieldWidth;
  }
  return payload;
}

std::optional<VersionNotice> DecodeVersionNotice(const uint8_t* payload, int length) {
  if (payload == nullptr || length != kNotifyLatestVersionPayload) return std::nullopt;
  VersionNotice notice;
  notice.images = payload[0];
  const uint8_t* in = payload + 1;
  for (std::string VersionNotice::*field : kNoticeFields) {
    size_t n = 0;
    while (n < kNoticeFieldWidth && in[n] != 0) ++n;
    notice.*field = std::string(reinterpret_cast<const char*>(in), n);
    in += kNoticeFieldWidth;
  }
  return notice;
}

}  // namespace vortik
