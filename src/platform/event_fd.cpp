#include "platform/event_fd.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace vortik::platform {

EventFd::~EventFd() {
  fd_.Reset();
}

bool EventFd::Open() {
  if (fd_.valid()) return true;
  fd_.Reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  return fd_.valid();
}

void EventFd::Signal() {
  if (!fd_.valid()) return;
  const uint64_t one = 1;
  // EAGAIN only when the counter is near its limit: it is readable then anyway.
  while (::write(fd_.get(), &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void EventFd::Clear() {
  if (!fd_.valid()) return;
  uint64_t count = 0;
  while (::read(fd_.get(), &count, sizeof count) < 0 && errno == EINTR) {
  }
}

bool EventFd::IsSignalled() const {
  return WaitForEvents({this}, 0) == 0;
}

int WaitForEvents(std::initializer_list<const EventFd*> events, int timeoutMs) {
  std::vector<pollfd> fds;
  fds.reserve(events.size());
  for (const EventFd* e : events) fds.push_back({e != nullptr ? e->fd() : -1, POLLIN, 0});
  for (;;) {
    const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return -1;
    for (size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].revents != 0) return static_cast<int>(i);
    }
    return -1;
  }
}

}  // namespace vortik::platform
