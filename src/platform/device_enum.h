// Present tty devices with the USB vendor/product of the adapter behind them, and a monitor
// that tells when tty devices come and go. The lister is an interface so tests present any list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vortik::platform {

struct TtyDevice {
  std::string devnode;    // e.g. /dev/ttyACM0
  uint16_t vendorId = 0;  // of the USB device above it; 0 when there is none
  uint16_t productId = 0;
};

class DeviceLister {
 public:
  virtual ~DeviceLister() = default;
  // Present tty devices in enumeration order. False when the list cannot be had.
  virtual bool ListTtyDevices(std::vector<TtyDevice>& out) = 0;
};

// libudev: reads sysfs, so it works without a running udev daemon too.
class UdevDeviceLister : public DeviceLister {
 public:
  bool ListTtyDevices(std::vector<TtyDevice>& out) override;
};

// The lister in use (libudev unless a test set another); nullptr restores libudev.
DeviceLister& CurrentDeviceLister();
void SetDeviceLister(DeviceLister* lister);

// Whether a path names something that exists (a device node or a link to one).
bool DeviceExists(const std::string& path);

// Kernel/udev notices about tty devices. Absent (Open fails) where netlink is unavailable.
class DeviceMonitor {
 public:
  DeviceMonitor();
  ~DeviceMonitor();
  DeviceMonitor(const DeviceMonitor&) = delete;
  DeviceMonitor& operator=(const DeviceMonitor&) = delete;

  bool Open();
  // Descriptor to watch for readability; -1 when not open.
  int fd() const;
  // Takes every pending notice; true when a tty device was added or removed.
  bool TakeChanges();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vortik::platform
