// The device-info reply parser on bytes as the tool could send them. The first byte chooses:
// even, the rest is the payload of a well-formed reply frame (so the layout is reached), with
// up to 3 trailing bytes that arrived after it; odd, the rest is the raw bytes received.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/device_info.h"
#include "device/frame.h"
#include "fuzz_support.h"

using vortik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  const uint8_t* rest = data + 1;
  const size_t restSize = size - 1;
  std::vector<uint8_t> bytes;
  if ((mode & 1) != 0) {
    bytes.assign(rest, rest + restSize);
  } else {
    if (restSize > static_cast<size_t>(vortik::kMaxReplyPayload)) return 0;
    bytes.resize(restSize + vortik::kFrameOverhead + 3);
    const int length =
        vortik::BuildReplyFrame(bytes.data(), vortik::ReplyCode(vortik::kCmdRequestDeviceInfo.code),
                                rest, static_cast<int>(restSize));
    Check(length > 0, "reply frame built");
    bytes.resize(static_cast<size_t>(length) + ((mode >> 1) & 3));
  }
  // Exactly the bytes received, so a read past them shows under the sanitizers.
  bytes.shrink_to_fit();
  const std::optional<vortik::DeviceInfo> info = vortik::ParseDeviceInfo(bytes);
  if (!info) return 0;
  Check(info->romBlockSize > 0 && info->romBlockSize <= vortik::kMaxBlockSize, "ROM block size");
  Check(info->flashBlockSize > 0 && info->flashBlockSize <= vortik::kMaxBlockSize,
        "FLASH block size");
  Check(info->parts.size() <= vortik::kDevicePartCapacity, "part count");
  Check(info->extended || info->parts.empty(), "a part table only in the long form");
  Check(info->extended == (bytes.size() > vortik::kDeviceInfoMidLength), "form by length");
  Check(!info->family500 || info->extended, "family layout only in the long form");
  return 0;
}
