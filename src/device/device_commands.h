// The request/reply transactions with the Scan Tool other than image blocks: device info,
// upgrade announcements and the tool's 12-character ID.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/device_info.h"
#include "device/frame.h"

namespace vortik {

class Host;
class TSyncUart;

// The characters of a field (up to its first NUL, at most 10).
std::string FieldText(const DeviceTextField& field);

// Every transaction builds its frame, writes its status text (if any) to the host's status
// label, then tries up to the command's attempt limit while the window is not closing. True
// when a reply passed the reply rule; false when every attempt failed or closing began.

// Asks the tool who it is; a reply is taken as soon as the bytes in hand hold one whole frame,
// and a reply ParseDeviceInfo refuses counts as a failed attempt. Nothing when every attempt
// failed or closing began.
std::optional<DeviceInfo> RequestDeviceInfo(Host& host, TSyncUart& uart);
// Tells the tool the versions about to be installed and how many images will come.
bool NotifyLatestVersion(Host& host, TSyncUart& uart, const std::string& type,
                         const std::string& subtype, const std::string& romVersion,
                         const std::string& flashVersion, uint8_t images);
// Announces the size of the next image of `kind`.
bool NotifyFirmwareSize(Host& host, TSyncUart& uart, FirmwareKind kind, uint32_t size);
// On success `id` holds the 12 ID characters and a NUL.
bool QueryId(Host& host, TSyncUart& uart, char (&id)[kDeviceIdLength + 1]);
// Writes the 12 characters at `id`.
bool SetId(Host& host, TSyncUart& uart, const char* id);

// --- the Set ID button's rules ----------------------------------------------------------------

// Without leading and trailing blanks and control characters.
std::string TrimIdText(const std::string& text);
// Twelve characters forming a number text.
bool IsValidDeviceId(const std::string& id);
// The next proposal: the last "0".."8" from the right goes up by one, everything after it
// (and anything not such a digit on the way) becomes "0"; a carry past the first is dropped.
std::string NextIdProposal(std::string id);

}  // namespace vortik
