// Finding the Scan Tool's serial device by the USB identity of its adapter, and the status
// line texts of the connection.
#pragma once

#include <cstdint>
#include <string>

namespace vortik {

inline constexpr uint16_t kToolVendorId = 0x1A86;
inline constexpr uint16_t kToolProductId = 0xFE0C;

// Port number (from the port table) of the first present tty device whose USB adapter has
// both identifiers, or 0 when there is none. The demo presents its emulated tool through the
// device lister (platform::LinkDeviceLister).
int FindComPortByUsbId(uint16_t vendorId, uint16_t productId);

// "Device connected to COM5 " and "Device connecting to COM5  ......" with their language texts.
std::string ConnectedStatusText(int port);
std::string ConnectingStatusText(int port);

}  // namespace vortik
