// The whole HttpRequest against a server on loopback that answers every connection with the
// input's bytes. The first input byte chooses GET or POST, the reply capacity and whether the
// answer is sent in two pieces; the rest is the answer. Every URL in the answer is pointed at
// this server ("@@" stands for its address and any other "://" is broken), and host names
// never reach a real resolver, so nothing leaves the machine.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_support.h"
#include "helpers/http_request_length.h"
#include "net/http_client.h"
#include "platform/tcp.h"

using vortik::fuzz::Check;

namespace {

bool NoLookup(const std::string&, uint32_t*) {
  return false;
}

class LoopbackServer {
 public:
  LoopbackServer() {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Check(::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0, "bind");
    Check(::listen(listen_, 16) == 0, "listen");
    socklen_t size = sizeof addr;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &size);
    port_ = ntohs(addr.sin_port);
    std::thread([this] { Run(); }).detach();  // lives as long as the process
  }

  int port() const { return port_; }

  void SetAnswer(std::string answer, size_t splitAt) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
    splitAt_ = splitAt;
  }

 private:
  // Reads the request up to its head's end, plus a POST's body and the four bytes after it,
  // so the close that follows the answer is a clean one.
  static void ReadRequest(int fd) {
    std::string in;
    char buf[2048];
    size_t want = std::string::npos;
    while (in.size() < want) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 1000) <= 0) return;
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return;
      in.append(buf, static_cast<size_t>(n));
      if (want == std::string::npos) want = vortik::test::HttpRequestLength(in);
    }
  }

  void Run() {
    for (;;) {
      int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ReadRequest(fd);
      std::string answer;
      size_t splitAt;
      {
        std::lock_guard lock(mutex_);
        answer = answer_;
        splitAt = splitAt_;
      }
      size_t first = std::min(splitAt, answer.size());
      ::send(fd, answer.data(), first, MSG_NOSIGNAL);
      if (first < answer.size()) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        ::send(fd, answer.data() + first, answer.size() - first, MSG_NOSIGNAL);
      }
      ::shutdown(fd, SHUT_WR);
      ::close(fd);
    }
  }

  int listen_ = -1;
  int port_ = 0;
  std::mutex mutex_;
  std::string answer_;
  size_t splitAt_ = 0;
};

// The answer with every "://" broken and "@@" standing for this server's address.
std::string PointAtServer(const uint8_t* data, size_t size, int port) {
  std::string raw(reinterpret_cast<const char*>(data), size);
  for (size_t at = raw.find("://"); at != std::string::npos; at = raw.find("://", at)) {
    raw[at + 1] = '_';
  }
  const std::string self = "http://127.0.0.1:" + std::to_string(port) + "/";
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw.compare(i, 2, "@@") == 0) {
      out += self;
      ++i;
    } else {
      out += raw[i];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static LoopbackServer* server = [] {
    vortik::platform::SetHostLookup(&NoLookup);
    return new LoopbackServer;
  }();
  if (size < 1 || size > 8192) return 0;
  const uint8_t mode = data[0];
  const std::string answer = PointAtServer(data + 1, size - 1, server->port());
  server->SetAnswer(answer, (mode & 0x40) != 0 ? (mode & 0x3F) : answer.size());

  const int capacity = (mode & 0x80) != 0 ? 16 : 4096;
  std::vector<char> reply(static_cast<size_t>(capacity) + 1, '\x7F');
  const std::string url = "http://127.0.0.1:" + std::to_string(server->port()) + "/q";
  const bool post = (mode & 0x01) != 0;
  const int n = vortik::HttpRequest(url.c_str(), post ? "types=A&subtype=B" : nullptr, 0,
                                    reply.data(), capacity, 500);
  Check(n >= -1 && n <= capacity, "result within the capacity");
  Check(reply[static_cast<size_t>(capacity)] == '\x7F', "nothing written past the capacity");
  if (n > 0 && n < capacity) Check(reply[static_cast<size_t>(n)] == '\0', "NUL after the body");

  // The length-only form reads the head alone.
  vortik::HttpRequest(url.c_str(), nullptr, 0, nullptr, 0, 500);
  return 0;
}
