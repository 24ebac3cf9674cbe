// Present tty devices with the USB vendor/product of the adapter behind them, and monitors that
// tell when tty devices come and go. The lister is an interface so tests and the demo present
// any list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

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
  // The present tty devices whose USB device has these IDs, in enumeration order. False when
  // the list cannot be had. By default ListTtyDevices filtered.
  virtual bool FindTtyDevices(uint16_t vendorId, uint16_t productId, std::vector<TtyDevice>& out);
};

// libudev: reads sysfs, so it works without a running udev daemon too.
class UdevDeviceLister : public DeviceLister {
 public:
  bool ListTtyDevices(std::vector<TtyDevice>& out) override;
  // Starts from the USB devices with the IDs and lists the ttys below them: a handful of sysfs
  // reads instead of a walk over every virtual terminal.
  bool FindTtyDevices(uint16_t vendorId, uint16_t productId, std::vector<TtyDevice>& out) override;
};

// One device at a fixed path (a link to a pseudo-terminal), listed with the given USB identity
// while the path exists: how the demo presents its emulated tool.
class LinkDeviceLister : public DeviceLister {
 public:
  LinkDeviceLister(std::string path, uint16_t vendorId, uint16_t productId);
  bool ListTtyDevices(std::vector<TtyDevice>& out) override;

 private:
  TtyDevice device_;
};

// Whether a path names something that exists (a device node or a link to one).
bool DeviceExists(const std::string& path);

// Notices that devices came or went, read on the event loop when fd() is readable.
class DeviceChangeSource {
 public:
  virtual ~DeviceChangeSource() = default;
  // Descriptor to watch for readability; -1 when not open.
  virtual int fd() const = 0;
  // Takes every pending notice; true when a device was added or removed.
  virtual bool TakeChanges() = 0;
};

// Kernel/udev notices about tty devices. Absent (Open fails) where netlink is unavailable.
class DeviceMonitor : public DeviceChangeSource {
 public:
  DeviceMonitor();
  ~DeviceMonitor() override;
  DeviceMonitor(const DeviceMonitor&) = delete;
  DeviceMonitor& operator=(const DeviceMonitor&) = delete;

  bool Open();
  int fd() const override;
  bool TakeChanges() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// inotify on the folder of a link: a link made, replaced or removed at `path` is a change. The
// folder must exist when Open is called.
class LinkWatcher : public DeviceChangeSource {
 public:
  explicit LinkWatcher(const std::string& path);
  ~LinkWatcher() override;
  LinkWatcher(const LinkWatcher&) = delete;
  LinkWatcher& operator=(const LinkWatcher&) = delete;

  bool Open();
  int fd() const override { return fd_.get(); }
  bool TakeChanges() override;

 private:
  std::string folder_;
  std::string name_;
  UniqueFd fd_;
};

}  // namespace vortik::platform
