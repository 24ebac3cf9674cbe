// A wake-up flag between threads on an eventfd, so that a thread can wait for it in poll()
// together with a device.
#pragma once

#include <initializer_list>

#include "platform/unique_fd.h"

namespace vortik::platform {

class EventFd {
 public:
  EventFd() = default;
  ~EventFd();
  EventFd(const EventFd&) = delete;
  EventFd& operator=(const EventFd&) = delete;

  // False when no eventfd can be made (descriptor limit).
  bool Open();
  bool IsOpen() const { return fd_.valid(); }
  // Makes the flag readable; it stays so until Clear(), however often it is signalled.
  void Signal();
  void Clear();
  bool IsSignalled() const;
  // For poll() in this layer.
  int fd() const { return fd_.get(); }

 private:
  UniqueFd fd_;
};

// Waits until one of `events` is signalled or `timeoutMs` passed (-1: no limit). Returns the
// index of the first signalled one, or -1 after the time-out.
int WaitForEvents(std::initializer_list<const EventFd*> events, int timeoutMs);

}  // namespace vortik::platform
