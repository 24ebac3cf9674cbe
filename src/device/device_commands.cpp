#include "device/device_commands.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "base/host.h"
#include "base/text_helpers.h"
#include "device/device_info.h"
#include "device/sync_uart.h"

namespace vortik {

namespace {

// One transaction: up to cmd.attempts SyncRequests while the window is not closing; `accept`
// decides on each reply of exactly the expected length.
template <typename Accept>
bool Transact(Host& host, TSyncUart& uart, const CommandInfo& cmd, const uint8_t* payload,
              int payloadLength, std::optional<TextId> status, Accept accept) {
  uint8_t request[kFrameBufferSize];
  const int length = BuildFrame(request, cmd.code, payload, payloadLength);
  if (length == 0) return false;
  if (status) {
    host.SetStatusText(host.Msg(*status));
    host.ProcessEvents();
  }
  std::vector<uint8_t> reply(cmd.replyLength);
  for (int attempt = 0; attempt < cmd.attempts && !host.state().appClosing; ++attempt) {
    const uint32_t received = uart.SyncRequest(request, static_cast<uint32_t>(length), reply.data(),
                                               cmd.replyLength, cmd.timeoutMs, cmd.pollMs);
    if (ReplyAccepted(request, reply.data(), received, cmd.replyLength, cmd.hasStatus) &&
        accept(reply.data())) {
      return true;
    }
  }
  return false;
}

bool NoCheck(const uint8_t*) {
  return true;
}

}  // namespace

std::string FieldText(const DeviceTextField& field) {
  const char* end = static_cast<const char*>(std::memchr(field.data(), 0, field.size()));
  return std::string(field.data(),
                     end != nullptr ? static_cast<size_t>(end - field.data()) : field.size());
}

std::optional<DeviceInfo> RequestDeviceInfo(Host& host, TSyncUart& uart) {
  const CommandInfo& cmd = kCmdRequestDeviceInfo;
  uint8_t request[kFrameBufferSize];
  const int length = BuildFrame(request, cmd.code, nullptr, 0);
  host.SetStatusText(host.Msg(TextId::MsgInfo9));
  host.ProcessEvents();
  std::vector<uint8_t> reply(cmd.replyLength);
  // The reply's length is only known from its header: stop as soon as one whole good frame is
  // in hand instead of waiting out the time-out for bytes that will not come.
  const auto whole = [](const uint8_t* rx, uint32_t received) {
    return CheckFrame(rx, received) != 0;
  };
  for (int attempt = 0; attempt < cmd.attempts && !host.state().appClosing; ++attempt) {
    const uint32_t n = uart.SyncRequestUntil(request, static_cast<uint32_t>(length), reply.data(),
                                             cmd.replyLength, cmd.timeoutMs, cmd.pollMs, whole);
    std::optional<DeviceInfo> info =
        ParseDeviceInfo(std::span<const uint8_t>(reply.data(), std::min<size_t>(n, reply.size())));
    if (info) return info;
  }
  return std::nullopt;
}

bool NotifyLatestVersion(Host& host, TSyncUart& uart, const std::string& type,
                         const std::string& subtype, const std::string& romVersion,
                         const std::string& flashVersion, uint8_t images) {
  const std::array<uint8_t, kNotifyLatestVersionPayload> payload =
      EncodeVersionNotice({images, type, subtype, romVersion, flashVersion});
  return Transact(host, uart, kCmdNotifyLatestVersion, payload.data(), kNotifyLatestVersionPayload,
                  TextId::MsgInfo10, NoCheck);
}

bool NotifyFirmwareSize(Host& host, TSyncUart& uart, FirmwareKind kind, uint32_t size) {
  const uint8_t payload[kNotifyFirmwareSizePayload] = {
      static_cast<uint8_t>(kind), static_cast<uint8_t>(size & 0xFF),
      static_cast<uint8_t>((size >> 8) & 0xFF), static_cast<uint8_t>((size >> 16) & 0xFF),
      static_cast<uint8_t>(size >> 24)};
  return Transact(host, uart, kCmdNotifyFirmwareSize, payload, sizeof payload, TextId::MsgInfo11,
                  NoCheck);
}

bool QueryId(Host& host, TSyncUart& uart, char (&id)[kDeviceIdLength + 1]) {
  return Transact(host, uart, kCmdQueryId, nullptr, 0, std::nullopt, [&id](const uint8_t* reply) {
    std::memcpy(id, reply + kFramePayloadOffset, kDeviceIdLength);
    id[kDeviceIdLength] = '\0';
    return true;
  });
}

bool SetId(Host& host, TSyncUart& uart, const char* id) {
  if (id == nullptr) return false;
  return Transact(host, uart, kCmdSetId, reinterpret_cast<const uint8_t*>(id), kDeviceIdLength,
                  std::nullopt, NoCheck);
}

std::string TrimIdText(const std::string& text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool IsValidDeviceId(const std::string& id) {
  return id.size() == static_cast<size_t>(kDeviceIdLength) && IsNumberText(id.c_str());
}

std::string NextIdProposal(std::string id) {
  for (size_t i = id.size(); i-- > 0;) {
    if (id[i] >= '0' && id[i] <= '8') {
      ++id[i];
      break;
    }
    id[i] = '0';
  }
  return id;
}

}  // namespace vortik
