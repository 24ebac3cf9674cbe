// Finding the Scan Tool's serial device by the USB identity of its adapter, and the status
// line texts of the connection.
#pragma once

#include <cstdint>
#include <string>

#include "base/text_id.h"
#include "platform/device_enum.h"

namespace vortik {

inline constexpr uint16_t kToolVendorId = 0x1A86;
inline constexpr uint16_t kToolProductId = 0xFE0C;

// Port number (from the port table) of the first tty device `devices` lists whose USB adapter
// has both identifiers, or 0 when there is none. The demo presents its emulated tool through
// its own lister (platform::LinkDeviceLister).
int FindComPortByUsbId(platform::DeviceLister& devices, uint16_t vendorId, uint16_t productId);

// "Device connected to COM5 " and "Device connecting to COM5  ......" with their language texts.
std::string ConnectedStatusText(const TextTable& texts, int port);
std::string ConnectingStatusText(const TextTable& texts, int port);

}  // namespace vortik
