// Frame check and reply acceptance on bytes as the tool could send them: the input's first
// bytes choose the request's code, the length waited for and whether the reply has a status.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/frame.h"
#include "fuzz_support.h"

using vortik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint16_t code = static_cast<uint16_t>(data[0] | (data[1] << 8));
  const bool hasStatus = (data[2] & 1) != 0;
  const bool exact = (data[2] & 2) != 0;  // wait for exactly what arrived, or for data[3] bytes
  const uint8_t* reply = data + 3;
  const auto received = static_cast<uint32_t>(size - 3);

  // Copies, so a read one byte past what arrived shows under the sanitizers.
  std::vector<uint8_t> bytes(reply, reply + received);
  const int length = vortik::CheckFrame(bytes.data(), received);
  Check(length == 0 ||
            (length >= vortik::kFrameOverhead && static_cast<uint32_t>(length) <= received),
        "frame length within what arrived");
  if (length > 0) {
    Check(bytes[0] == vortik::kReplyMarker && bytes[1] == vortik::kReplyMarker, "reply marker");
    Check(vortik::FrameLengthField(bytes.data()) == length, "length field");
    const uint16_t crc = vortik::FrameCrc16(bytes.data(), static_cast<uint16_t>(length - 4));
    Check(bytes[length - 4] == (crc & 0xFF) && bytes[length - 3] == (crc >> 8), "CRC");
  }
  const int requestLength = vortik::CheckRequestFrame(bytes.data(), received);
  Check(requestLength == 0 || static_cast<uint32_t>(requestLength) <= received,
        "request length within what arrived");

  uint8_t request[vortik::kFrameBufferSize];
  Check(vortik::BuildFrame(request, code, nullptr, 0) == vortik::kFrameOverhead, "request built");
  const uint32_t expected = exact ? received : data[3];
  if (vortik::ReplyAccepted(request, bytes.data(), received, expected, hasStatus)) {
    Check(received == expected && length > 0, "accepted a frame of the length waited for");
    Check(bytes[4] == static_cast<uint8_t>(request[4] + 0x40) && bytes[5] == request[5],
          "reply code");
    Check(!hasStatus || bytes[vortik::kFrameStatusOffset] == 0, "status");
  }
  return 0;
}
