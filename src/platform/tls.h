// TLS client sessions (OpenSSL) over a connected TcpSocket: the certificate must chain to a
// trusted root and name the host; every wait is bounded by a deadline.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/tcp.h"

namespace vortik::platform {

// Certificates trusted by https requests and downloads: the system's store when `pemFile` is
// empty (the default), else only the certificates of that PEM file (tests use their own CA).
void SetTrustedCertificates(const std::string& pemFile);
std::string TrustedCertificates();

class TlsSession {
 public:
  TlsSession();
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Handshakes over `socket` (connected, left open) for `host`, a name or an IPv4 address,
  // within `timeoutMs`. False when the handshake fails or the certificate does not verify;
  // *why then holds OpenSSL's reason.
  bool Start(TcpSocket& socket, const char* host, int timeoutMs, std::string* why);

  // As SendAll and ReceiveSome of tcp.h, through the session.
  long SendAll(const void* data, size_t length, int timeoutMs, int* error);
  long ReceiveSome(void* buffer, size_t capacity, int timeoutMs);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vortik::platform
