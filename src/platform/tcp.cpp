#include "platform/tcp.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/tcp_access.h"

namespace vortik::platform {

namespace {

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Polls one descriptor for `events` until `deadline` (monotonic ms). Returns 1 when ready
// (or in error/hang-up, which the following call reports), 0 on time-out, -1 on failure.
int PollUntil(int fd, short events, int64_t deadline) {
  for (;;) {
    int64_t left = deadline - NowMs();
    if (left < 0) left = 0;
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, static_cast<int>(left > 0x7fffffff ? 0x7fffffff : left));
    if (r > 0) return 1;
    if (r == 0) return 0;
    if (errno != EINTR) return -1;
  }
}

int64_t DeadlineAfter(int timeoutMs) {
  return NowMs() + (timeoutMs > 0 ? timeoutMs : 0);
}

}  // namespace

TcpSocket::~TcpSocket() {
  Close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void TcpSocket::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

namespace {

bool SystemLookup(const std::string& name, uint32_t* address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  bool ok = false;
  for (addrinfo* a = found; a != nullptr && !ok; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
      *address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
      ok = true;
    }
  }
  freeaddrinfo(found);
  return ok;
}

std::atomic<HostLookup> gLookup{&SystemLookup};

// One look-up shared by the caller and the thread that runs it; whichever leaves last frees it.
struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool ok = false;
  uint32_t address = 0;
};

}  // namespace

void SetHostLookup(HostLookup lookup) {
  gLookup = lookup != nullptr ? lookup : &SystemLookup;
}

bool ResolveIpv4(const char* name, uint32_t* address, int timeoutMs) {
  bool gaveUp = false;
  return ResolveIpv4(name, address, timeoutMs, &gaveUp, nullptr);
}

bool ResolveIpv4(const char* name, uint32_t* address, int timeoutMs, bool* gaveUp,
                 const std::function<bool()>& keepWaiting) {
  *gaveUp = false;
  char local[64];
  if (name == nullptr || name[0] == '\0') {
    if (gethostname(local, sizeof local) != 0) return false;
    local[sizeof local - 1] = '\0';
    name = local;
  }
  in_addr parsed{};
  if (inet_aton(name, &parsed) != 0) {
    *address = parsed.s_addr;
    return true;
  }
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, host = std::string(name), run = gLookup.load()] {
      uint32_t found = 0;
      bool ok = run(host, &found);
      std::lock_guard lock(lookup->mutex);
      lookup->ok = ok;
      lookup->address = found;
      lookup->finished = true;
      lookup->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return false;  // no thread to be had: no look-up
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  std::unique_lock lock(lookup->mutex);
  while (!lookup->finished) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    const auto slice = keepWaiting ? std::min<std::chrono::steady_clock::duration>(
                                         deadline - now, std::chrono::milliseconds(50))
                                   : deadline - now;
    lookup->done.wait_for(lock, slice, [&] { return lookup->finished; });
    if (lookup->finished || !keepWaiting) continue;
    lock.unlock();
    const bool keep = keepWaiting();
    lock.lock();
    if (!keep) break;
  }
  if (!lookup->finished) {
    *gaveUp = true;  // the thread finishes by itself and frees the shared state
    return false;
  }
  if (lookup->ok) *address = lookup->address;
  return lookup->ok;
}

ConnectStatus ConnectTcp(uint32_t address, uint16_t port, int timeoutMs, TcpSocket* socket) {
  socket->Close();
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return ConnectStatus::kNoSocket;
  TcpSocket owned;
  TcpAccess::Adopt(&owned, fd);

  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) return ConnectStatus::kFailed;
    if (PollUntil(fd, POLLOUT, DeadlineAfter(timeoutMs)) != 1) return ConnectStatus::kFailed;
    int pending = -1;
    socklen_t size = sizeof pending;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &size) != 0 || pending != 0) {
      return ConnectStatus::kFailed;
    }
  }
  *socket = std::move(owned);
  return ConnectStatus::kConnected;
}

long SendAll(TcpSocket& socket, const void* data, size_t length, int timeoutMs, int* error) {
  int fd = TcpAccess::Fd(socket);
  int64_t deadline = DeadlineAfter(timeoutMs);
  const char* p = static_cast<const char*>(data);
  size_t sent = 0;
  while (sent < length) {
    ssize_t n = ::send(fd, p + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      *error = errno;
      return -1;
    }
    int ready = PollUntil(fd, POLLOUT, deadline);
    if (ready <= 0) {
      *error = ready == 0 ? ETIMEDOUT : errno;
      return -1;
    }
  }
  return static_cast<long>(sent);
}

long ReceiveSome(TcpSocket& socket, void* buffer, size_t capacity, int timeoutMs) {
  int fd = TcpAccess::Fd(socket);
  int64_t deadline = DeadlineAfter(timeoutMs);
  for (;;) {
    ssize_t n = ::recv(fd, buffer, capacity, MSG_DONTWAIT);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    int ready = PollUntil(fd, POLLIN, deadline);
    if (ready == 0) return 0;
    if (ready < 0) return -1;
  }
}

}  // namespace vortik::platform
