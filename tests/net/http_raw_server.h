// A scripted TCP server on 127.0.0.1 for HTTP client tests: for each connection it reads one
// request, records its bytes, then sends scripted pieces (with pauses) or stays silent.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "helpers/http_request_length.h"

namespace vortik::testing {

struct RawReply {
  std::vector<std::string> pieces;  // sent in order, `pauseMs` apart
  int pauseMs = 0;
  bool silent = false;     // send nothing and keep the connection open
  bool closeAfter = true;  // close once the pieces are sent (else hold it open)
  std::string endless{};   // then sent again and again, `pauseMs` apart, until the client goes
};

class RawHttpServer {
 public:
  // Connection i gets replies[i]; later connections get the last one.
  explicit RawHttpServer(std::vector<RawReply> replies) : replies_(std::move(replies)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listen_, 8);
    socklen_t size = sizeof addr;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &size);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
  }

  ~RawHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listen_);
  }

  int port() const { return port_; }
  std::string url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  // The bytes each connection sent, in connection order.
  std::vector<std::string> received() const {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  bool WaitFor(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, ms) > 0;
  }

  // Reads one request: the head, then as many more bytes as its Content-Length plus the four
  // bytes a POST ends with. Stops early when the peer is quiet for 300 ms.
  std::string ReadRequest(int fd) {
    std::string in;
    char buf[4096];
    size_t want = std::string::npos;
    while (!stop_ && in.size() < want && WaitFor(fd, POLLIN, 300)) {
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) break;
      in.append(buf, static_cast<size_t>(n));
      if (want == std::string::npos) want = vortik::test::HttpRequestLength(in);
    }
    return in;
  }

  void Serve(int fd, const RawReply& reply) {
    std::string request = ReadRequest(fd);
    {
      std::lock_guard lock(mutex_);
      received_.push_back(request);
    }
    if (!reply.silent) {
      for (size_t i = 0; i < reply.pieces.size() && !stop_; ++i) {
        if (i > 0 && reply.pauseMs > 0) {
          std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMs));
        }
        ::send(fd, reply.pieces[i].data(), reply.pieces[i].size(), MSG_NOSIGNAL);
      }
      while (!reply.endless.empty() && !stop_) {
        if (!WaitFor(fd, POLLOUT, 20)) continue;
        if (::send(fd, reply.endless.data(), reply.endless.size(), MSG_NOSIGNAL | MSG_DONTWAIT) <
                0 &&
            errno != EAGAIN) {
          return;  // the client has gone
        }
        if (reply.pauseMs > 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMs));
      }
      if (reply.closeAfter) return;
    }
    // Hold the connection until the client closes it or the server stops.
    char buf[256];
    while (!stop_) {
      if (WaitFor(fd, POLLIN, 20) && ::recv(fd, buf, sizeof buf, 0) <= 0) break;
    }
  }

  void Run() {
    size_t count = 0;
    while (!stop_) {
      if (!WaitFor(listen_, POLLIN, 20)) continue;
      int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      const RawReply& reply = replies_[std::min(count++, replies_.size() - 1)];
      Serve(fd, reply);
      ::close(fd);
    }
  }

  std::vector<RawReply> replies_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
};

}  // namespace vortik::testing
