// IPv4 TCP client sockets: name resolution, connect within a time budget, send and receive
// with deadlines. Every wait is bounded; nothing here raises SIGPIPE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vortik::platform {

// An owned socket descriptor; closed when it goes out of scope.
class TcpSocket {
 public:
  TcpSocket() = default;
  ~TcpSocket();
  TcpSocket(TcpSocket&& other) noexcept;
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  void Close();

 private:
  friend class TcpAccess;
  int fd_ = -1;
};

// IPv4 address (network byte order) of `name`: a dotted-quad address as it stands, otherwise
// the first address a look-up gives. A null or empty name stands for this machine's host name.
// The look-up runs on a thread of its own and is given up after `timeoutMs` (a resolver that
// never answers cannot hold the caller longer); the thread ends by itself when the system's
// look-up returns. False when no address was found in time.
bool ResolveIpv4(const char* name, uint32_t* address, int timeoutMs);

// The same, for callers that must stay responsive while they wait: `keepWaiting` is asked
// about every 50 ms and ends the wait when it says false. `gaveUp` tells a look-up given up
// (time limit or keepWaiting) from a name the resolver answered without an IPv4 address.
bool ResolveIpv4(const char* name, uint32_t* address, int timeoutMs, bool* gaveUp,
                 const std::function<bool()>& keepWaiting);

// The blocking look-up behind ResolveIpv4, run on its thread: tests put one in its place to
// play a resolver that never answers. nullptr restores the system's (getaddrinfo).
using HostLookup = bool (*)(const std::string& name, uint32_t* address);
void SetHostLookup(HostLookup lookup);

enum class ConnectStatus {
  kConnected,
  kNoSocket,  // no socket could be made
  kFailed,    // refused, unreachable, or not connected within the time allowed
};

// Opens a stream socket and connects it to address:port (address in network byte order),
// waiting at most `timeoutMs` (0 or less: no wait beyond an immediate connection).
ConnectStatus ConnectTcp(uint32_t address, uint16_t port, int timeoutMs, TcpSocket* socket);

// Sends all `length` bytes, waiting at most `timeoutMs` in all for the peer to take them.
// Returns the number of bytes sent (`length`), or -1 with the error number in *error
// (ETIMEDOUT when time ran out).
long SendAll(TcpSocket& socket, const void* data, size_t length, int timeoutMs, int* error);

// Receives at most `capacity` bytes once some are available, waiting at most `timeoutMs`.
// Returns the number of bytes received; 0 when the peer closed or time ran out; -1 on error.
long ReceiveSome(TcpSocket& socket, void* buffer, size_t capacity, int timeoutMs);

}  // namespace vortik::platform
