// The request/reply transactions with the Scan Tool other than image blocks: device info,
// upgrade announcements and the tool's 12-character ID.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/frame.h"

namespace vortik {

class Host;
class TSyncUart;

// A 10-byte device text field: up to 10 characters, NUL-padded; 10 characters have no NUL.
using DeviceTextField = std::array<char, 10>;
// The characters of a field (up to its first NUL, at most 10).
std::string FieldText(const DeviceTextField& field);

// The part count that means "no table" (the table itself holds kDevicePartCapacity entries).
inline constexpr uint16_t kNoPartTable = 0x01FF;

// Every transaction builds its frame, writes its status text (if any) to the host's status
// label, then tries up to the command's attempt limit while the window is not closing. True
// when a reply passed the reply rule; false when every attempt failed or closing began.

// Reads type, subtype and versions; sets the block sizes (Device()), and from the long form
// deviceInfoExtended, the part table and the 500-family flag. A reply is taken as soon as the
// bytes in hand hold one whole frame. Refused (a failed attempt): block sizes of 0 or above
// 5107, a part count above 540 other than 511, a table longer than the reply.
bool RequestDeviceInfo(Host& host, TSyncUart& uart, DeviceTextField& type, DeviceTextField& subtype,
                       DeviceTextField& romVersion, DeviceTextField& flashVersion);
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
