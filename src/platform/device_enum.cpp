#include "platform/device_enum.h"

#include <libudev.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vortik::platform {

namespace {

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
  void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

uint16_t HexAttr(udev_device* device, const char* name) {
  const char* text = udev_device_get_sysattr_value(device, name);
  if (text == nullptr) return 0;
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 16);
  return (end == text || value > 0xFFFF) ? 0 : static_cast<uint16_t>(value);
}

}  // namespace

bool UdevDeviceLister::ListTtyDevices(std::vector<TtyDevice>& out) {
  out.clear();
  UdevPtr<udev> context(udev_new());
  if (!context) {
    std::printf("device list: udev unavailable\n");
    return false;
  }
  UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "tty") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0) {
    std::printf("device list: tty enumeration failed\n");
    return false;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    const char* syspath = udev_list_entry_get_name(entry);
    UdevPtr<udev_device> device(udev_device_new_from_syspath(context.get(), syspath));
    if (!device) continue;
    const char* devnode = udev_device_get_devnode(device.get());
    if (devnode == nullptr) continue;
    TtyDevice tty;
    tty.devnode = devnode;
    // The parent is owned by the child device; it must not be unreferenced.
    udev_device* usb =
        udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
    if (usb != nullptr) {
      tty.vendorId = HexAttr(usb, "idVendor");
      tty.productId = HexAttr(usb, "idProduct");
    }
    out.push_back(std::move(tty));
  }
  return true;
}

bool DeviceLister::FindTtyDevices(uint16_t vendorId, uint16_t productId,
                                  std::vector<TtyDevice>& out) {
  if (!ListTtyDevices(out)) return false;
  std::erase_if(out, [&](const TtyDevice& tty) {
    return tty.vendorId != vendorId || tty.productId != productId;
  });
  return true;
}

bool UdevDeviceLister::FindTtyDevices(uint16_t vendorId, uint16_t productId,
                                      std::vector<TtyDevice>& out) {
  out.clear();
  UdevPtr<udev> context(udev_new());
  if (!context) {
    std::printf("device list: udev unavailable\n");
    return false;
  }
  // sysfs writes the IDs as four lower-case hexadecimal digits.
  char vendor[8];
  char product[8];
  std::snprintf(vendor, sizeof vendor, "%04x", vendorId);
  std::snprintf(product, sizeof product, "%04x", productId);
  UdevPtr<udev_enumerate> usb(udev_enumerate_new(context.get()));
  if (!usb || udev_enumerate_add_match_subsystem(usb.get(), "usb") < 0 ||
      udev_enumerate_add_match_sysattr(usb.get(), "idVendor", vendor) < 0 ||
      udev_enumerate_add_match_sysattr(usb.get(), "idProduct", product) < 0 ||
      udev_enumerate_scan_devices(usb.get()) < 0) {
    std::printf("device list: USB enumeration failed\n");
    return false;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(usb.get())) {
    UdevPtr<udev_device> device(
        udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!device) continue;
    const char* devtype = udev_device_get_devtype(device.get());
    if (devtype == nullptr || std::strcmp(devtype, "usb_device") != 0) continue;
    UdevPtr<udev_enumerate> ttys(udev_enumerate_new(context.get()));
    if (!ttys || udev_enumerate_add_match_parent(ttys.get(), device.get()) < 0 ||
        udev_enumerate_add_match_subsystem(ttys.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(ttys.get()) < 0) {
      continue;
    }
    const char* usbPath = udev_device_get_syspath(device.get());
    udev_list_entry* ttyEntry = nullptr;
    udev_list_entry_foreach(ttyEntry, udev_enumerate_get_list_entry(ttys.get())) {
      UdevPtr<udev_device> tty(
          udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(ttyEntry)));
      if (!tty) continue;
      const char* devnode = udev_device_get_devnode(tty.get());
      // Only ttys whose nearest USB device is this one (not one behind it).
      udev_device* owner =
          udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
      if (devnode == nullptr || owner == nullptr ||
          std::strcmp(udev_device_get_syspath(owner), usbPath) != 0) {
        continue;
      }
      out.push_back(TtyDevice{devnode, vendorId, productId});
    }
  }
  return true;
}

LinkDeviceLister::LinkDeviceLister(std::string path, uint16_t vendorId, uint16_t productId)
    : device_{std::move(path), vendorId, productId} {}

bool LinkDeviceLister::ListTtyDevices(std::vector<TtyDevice>& out) {
  out.clear();
  if (DeviceExists(device_.devnode)) out.push_back(device_);
  return true;
}

bool DeviceExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

struct DeviceMonitor::Impl {
  UdevPtr<udev> context;
  UdevPtr<udev_monitor> monitor;
};

DeviceMonitor::DeviceMonitor() : impl_(std::make_unique<Impl>()) {}
DeviceMonitor::~DeviceMonitor() = default;

bool DeviceMonitor::Open() {
  impl_->context.reset(udev_new());
  if (!impl_->context) return false;
  impl_->monitor.reset(udev_monitor_new_from_netlink(impl_->context.get(), "udev"));
  if (!impl_->monitor ||
      udev_monitor_filter_add_match_subsystem_devtype(impl_->monitor.get(), "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(impl_->monitor.get()) < 0) {
    impl_->monitor.reset();
    impl_->context.reset();
    return false;
  }
  return true;
}

int DeviceMonitor::fd() const {
  return impl_->monitor ? udev_monitor_get_fd(impl_->monitor.get()) : -1;
}

bool DeviceMonitor::TakeChanges() {
  if (!impl_->monitor) return false;
  bool changed = false;
  // The monitor's socket is non-blocking: receive until nothing is left.
  for (;;) {
    UdevPtr<udev_device> device(udev_monitor_receive_device(impl_->monitor.get()));
    if (!device) break;
    const char* action = udev_device_get_action(device.get());
    if (action != nullptr &&
        (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
      changed = true;
    }
  }
  return changed;
}

LinkWatcher::LinkWatcher(const std::string& path) {
  const size_t slash = path.rfind('/');
  folder_ = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
}

LinkWatcher::~LinkWatcher() {
  fd_.Reset();
}

bool LinkWatcher::Open() {
  if (fd_.valid()) return true;
  fd_.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!fd_.valid()) return false;
  // A link is made by symlink() (create) or renamed into place (moved to); it goes by unlink()
  // (delete) or by being renamed away or replaced.
  const uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
  if (inotify_add_watch(fd_.get(), folder_.c_str(), mask) < 0) {
    fd_.Reset();
    return false;
  }
  return true;
}

bool LinkWatcher::TakeChanges() {
  if (!fd_.valid()) return false;
  bool changed = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd_.get(), buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    // Events are whole in one read; each header says how many name bytes follow it.
    size_t offset = 0;
    while (offset + sizeof(inotify_event) <= static_cast<size_t>(n)) {
      inotify_event event;
      std::memcpy(&event, buffer + offset, sizeof(event));
      const size_t end = offset + sizeof(inotify_event) + event.len;
      if (end > static_cast<size_t>(n)) break;
      if ((event.mask & IN_Q_OVERFLOW) != 0) changed = true;  // lost events: look again
      if (event.len > 0) {
        const char* name = buffer + offset + sizeof(inotify_event);
        if (name_ == std::string(name, strnlen(name, event.len))) changed = true;
      }
      offset = end;
    }
  }
  return changed;
}

}  // namespace vortik::platform
