// Device frames: byte layout, CRC-16/X-25, build/seal/check, reply matching and the command table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vortik {

// Frame layout (offsets from the first byte; L is the whole frame length):
//   0  2  start marker: "@@" from the PC, "$$" from the tool
//   2  2  L, little-endian, markers and CRC included
//   4  2  command, little-endian (byte 4 class, byte 5 operation)
//   6  L-10 payload
//   L-4 2 CRC-16/X-25 of bytes 0..L-5, low byte first
//   L-2 2 CR LF
inline constexpr uint8_t kRequestMarker = 0x40;  // '@'
inline constexpr uint8_t kReplyMarker = 0x24;    // '$'
inline constexpr int kFrameLengthOffset = 2;
inline constexpr int kFrameCommandOffset = 4;
inline constexpr int kFramePayloadOffset = 6;
inline constexpr int kFrameOverhead = 10;  // markers, length, command, CRC, CR LF
inline constexpr int kFrameStatusOffset = kFramePayloadOffset;

// Request frames are built in buffers of this size; the largest payload that fits follows.
inline constexpr int kFrameBufferSize = 5120;
inline constexpr int kMaxRequestPayload = kFrameBufferSize - kFrameOverhead;
// Frames the tool pushes unasked are collected in a buffer of this size.
inline constexpr int kPushedFrameBufferSize = 2049;

// A reply carries its request's code plus 0x40 in the class byte.
inline constexpr uint16_t kReplyCodeOffset = 0x0040;
constexpr uint16_t ReplyCode(uint16_t requestCode) {
  return static_cast<uint16_t>(requestCode + kReplyCodeOffset);
}

// CRC-16/X-25 (reflected 0x1021, init 0xFFFF, final complement) of the first `count` bytes.
uint16_t FrameCrc16(const uint8_t* bytes, uint16_t count);

// Writes a request frame ("@@") and returns its length L = payloadLength + 10. With a payload
// (or none needed) the CRC is stored; with payloadLength > 0 and no payload, payload and CRC
// are left for the caller, who fills offset 6 onward and calls SealFrame before each send.
// A payload that does not fit the frame buffer (or a negative length) writes nothing; 0.
int BuildFrame(uint8_t* buffer, uint16_t command, const uint8_t* payload, int payloadLength);
// The same with the tool's start marker, for the emulated tool and tests; the payload may be
// as long as the 16-bit length field allows.
inline constexpr int kMaxReplyPayload = 0xFFFF - kFrameOverhead;
int BuildReplyFrame(uint8_t* buffer, uint16_t command, const uint8_t* payload, int payloadLength);

// Stores the CRC of the first L - 4 bytes at L - 4 (low byte) and L - 3. Needs L >= 10.
void SealFrame(uint8_t* buffer, int length);

// Length of the well-formed tool frame ("$$") at the start of the buffer, or 0. Bytes beyond
// that frame's length are not looked at.
int CheckFrame(const uint8_t* buffer, uint32_t available);
// The same for a frame from the PC ("@@"); the emulated tool reads requests with it.
int CheckRequestFrame(const uint8_t* buffer, uint32_t available);

// Fields of a frame already known to be at least 6 bytes long.
inline uint16_t FrameLengthField(const uint8_t* frame) {
  return static_cast<uint16_t>(frame[2] | (frame[3] << 8));
}
inline uint16_t FrameCommand(const uint8_t* frame) {
  return static_cast<uint16_t>(frame[4] | (frame[5] << 8));
}

// The reply rule of a transaction: exactly `expectedLength` bytes, the request's code plus
// 0x40, status byte 0 when the command has one, and a frame that CheckFrame accepts.
bool ReplyAccepted(const uint8_t* request, const uint8_t* reply, uint32_t received,
                   uint32_t expectedLength, bool hasStatus);

// --- command table -----------------------------------------------------------------------------

struct CommandInfo {
  uint16_t code;         // request code; the reply's is ReplyCode(code)
  uint32_t replyLength;  // whole reply frame (device info: the most it waits for)
  uint32_t timeoutMs;    // whole wait of one attempt
  uint32_t pollMs;       // longest wait between two reads of the receive queue
  int attempts;
  bool hasStatus;  // reply payload byte 0 is a status, 0 = accepted
};

inline constexpr CommandInfo kCmdQueryId{0x0102, 22, 1500, 50, 3, false};
inline constexpr CommandInfo kCmdSetId{0x0202, 11, 1500, 50, 3, true};
inline constexpr CommandInfo kCmdRequestDeviceInfo{0x0103, 6144, 2500, 50, 3, false};
inline constexpr CommandInfo kCmdNotifyLatestVersion{0x0203, 11, 2500, 50, 3, true};
inline constexpr CommandInfo kCmdNotifyFirmwareSize{0x0303, 11, 2500, 50, 3, true};
inline constexpr CommandInfo kCmdBurnBlock{0x0403, 13, 2000, 5, 3, true};

// Burn variations: the data of a part list gets more attempts; the test transfer has its own.
inline constexpr int kBurnBlockPartListAttempts = 10;
inline constexpr int kBurnTestAttempts = 6;
inline constexpr uint32_t kBurnTestFirstTimeoutMs = 6000;
inline constexpr uint32_t kBurnTestTimeoutMs = 1500;

// Frames the tool pushes unasked (no reply).
inline constexpr uint16_t kCodeWaveSamples = 0x01FF;
inline constexpr uint16_t kCodeWaveEnd = 0x02FF;
// A request only the demo build sends when its Print tab opens: the emulated tool then pushes
// its sample report and a capture. It gets no reply (a tool ignores a command it does not know).
inline constexpr uint16_t kCodeDemoPush = 0xDE01;
// Requests only the demo's scripted pictures send, also unanswered. The emulated tool pushes the
// first part of a capture and is unplugged in the middle of one of its frames, to come back two
// seconds later (kCodeDemoPushCutCapture); or it pushes its sample report alone
// (kCodeDemoPushReport).
inline constexpr uint16_t kCodeDemoPushCutCapture = 0xDE02;
inline constexpr uint16_t kCodeDemoPushReport = 0xDE03;

// Payload sizes.
inline constexpr int kDeviceIdLength = 12;
inline constexpr int kNotifyLatestVersionPayload = 41;
inline constexpr int kNotifyFirmwareSizePayload = 5;
inline constexpr int kBurnBlockHeader = 3;  // FirmwareKind, block number (16-bit)
inline constexpr int kMaxBlockSize = kMaxRequestPayload - kBurnBlockHeader;  // 5107

// Accepted device-info reply lengths: two short forms, and anything longer is the long form.
inline constexpr uint32_t kDeviceInfoShortLength = 50;
inline constexpr uint32_t kDeviceInfoMidLength = 54;

// The image kinds, one byte on the wire.
enum class FirmwareKind : uint8_t { kRom = 1, kFlash = 2, kLogo = 3 };

// The version notice's payload: how many images will come, then the tool's type and subtype and
// the latest ROM and FLASH versions, each a text field of 10 bytes padded with NULs (a longer
// text is cut). One description for the command, the emulated tool and the tests.
struct VersionNotice {
  uint8_t images = 0;
  std::string type;
  std::string subtype;
  std::string romVersion;
  std::string flashVersion;
};
inline constexpr int kNoticeFieldWidth = 10;
std::array<uint8_t, kNotifyLatestVersionPayload> EncodeVersionNotice(const VersionNotice& notice);
// Nothing unless `payload` has the notice's exact length.
std::optional<VersionNotice> DecodeVersionNotice(const uint8_t* payload, int length);

}  // namespace vortik
