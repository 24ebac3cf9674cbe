#include "platform/keep_awake.h"

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <utility>

#ifdef VORTIK_HAVE_SDBUS
#include <systemd/sd-bus.h>
#endif

namespace vortik::platform {

namespace {

#ifdef VORTIK_HAVE_SDBUS
// logind answers at once when it runs; a bus that hangs must not hold up a burn for long.
constexpr uint64_t kCallTimeoutUs = 1'000'000;

struct BusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};

// Asks logind for a blocking "sleep:idle" inhibitor; the descriptor, or -1.
int TakeInhibitor(const std::string& why) {
  sd_bus* raw = nullptr;
  if (sd_bus_open_system(&raw) < 0 || raw == nullptr) return -1;
  std::unique_ptr<sd_bus, BusUnref> bus(raw);
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* rawRequest = nullptr;
  if (sd_bus_message_new_method_call(bus.get(), &rawRequest, "org.freedesktop.login1",
                                     "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                     "Inhibit") < 0) {
    return -1;
  }
  std::unique_ptr<sd_bus_message, MessageUnref> request(rawRequest);
  if (sd_bus_message_append(request.get(), "ssss", "sleep:idle", "VORTIK", why.c_str(), "block") <
      0) {
    return -1;
  }
  sd_bus_message* rawReply = nullptr;
  const int r = sd_bus_call(bus.get(), request.get(), kCallTimeoutUs, &error, &rawReply);
  sd_bus_error_free(&error);
  if (r < 0) return -1;
  std::unique_ptr<sd_bus_message, MessageUnref> reply(rawReply);
  int fd = -1;
  if (sd_bus_message_read(reply.get(), "h", &fd) < 0 || fd < 0) return -1;
  // The descriptor belongs to the reply message; keep a copy of our own.
  return fcntl(fd, F_DUPFD_CLOEXEC, 3);
}
#else
int TakeInhibitor(const std::string&) {
  return -1;
}
#endif

}  // namespace

KeepAwake::KeepAwake(std::string why) : why_(std::move(why)) {}

KeepAwake::~KeepAwake() {
  Release();
}

bool KeepAwake::Request() {
  if (!fd_.valid()) fd_.Reset(TakeInhibitor(why_));
  return fd_.valid();
}

void KeepAwake::Release() {
  fd_.Reset();
}

}  // namespace vortik::platform
