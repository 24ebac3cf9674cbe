#include "platform/tls.h"

#include <arpa/inet.h>
#include <errno.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <climits>
#include <mutex>

#include "platform/tcp_access.h"

namespace vortik::platform {

namespace {

std::mutex gTrustMutex;
std::string gTrustedFile;

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Waits until the socket can go on with what OpenSSL asked for; false at the deadline.
bool WaitFor(int fd, int sslError, int64_t deadline) {
  const short events = sslError == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN;
  for (;;) {
    int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, static_cast<int>(left > INT_MAX ? INT_MAX : left));
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

std::string ErrorText(SSL* ssl) {
  long verify = SSL_get_verify_result(ssl);
  if (verify != X509_V_OK) return X509_verify_cert_error_string(verify);
  unsigned long e = ERR_peek_last_error();
  if (e == 0) return "connection closed during the handshake";
  char text[256];
  ERR_error_string_n(e, text, sizeof text);
  return text;
}

}  // namespace

void SetTrustedCertificates(const std::string& pemFile) {
  std::lock_guard lock(gTrustMutex);
  gTrustedFile = pemFile;
}

std::string TrustedCertificates() {
  std::lock_guard lock(gTrustMutex);
  return gTrustedFile;
}

struct TlsSession::Impl {
  SSL_CTX* ctx = nullptr;
  SSL* ssl = nullptr;
  int fd = -1;
  ~Impl() {
    if (ssl != nullptr) SSL_free(ssl);
    if (ctx != nullptr) SSL_CTX_free(ctx);
  }
};

TlsSession::TlsSession() : impl_(std::make_unique<Impl>()) {}
TlsSession::~TlsSession() = default;

bool TlsSession::Start(TcpSocket& socket, const char* host, int timeoutMs, std::string* why) {
  const int64_t deadline = NowMs() + (timeoutMs > 0 ? timeoutMs : 0);
  ERR_clear_error();
  Impl& s = *impl_;
  s.fd = TcpAccess::Fd(socket);
  s.ctx = SSL_CTX_new(TLS_client_method());
  if (s.ctx == nullptr) {
    *why = "no TLS context";
    return false;
  }
  SSL_CTX_set_min_proto_version(s.ctx, TLS1_2_VERSION);
  // Servers often close without a close_notify; a body cut short is caught by its length.
  SSL_CTX_set_options(s.ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
  const std::string trusted = TrustedCertificates();
  const bool loaded = trusted.empty()
                          ? SSL_CTX_set_default_verify_paths(s.ctx) == 1
                          : SSL_CTX_load_verify_locations(s.ctx, trusted.c_str(), nullptr) == 1;
  if (!loaded) {
    *why = "trusted certificates could not be read";
    return false;
  }
  SSL_CTX_set_verify(s.ctx, SSL_VERIFY_PEER, nullptr);
  s.ssl = SSL_new(s.ctx);
  if (s.ssl == nullptr || SSL_set_fd(s.ssl, s.fd) != 1) {
    *why = "no TLS session";
    return false;
  }
  in_addr ip{};
  if (inet_pton(AF_INET, host, &ip) == 1) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(s.ssl), host);
  } else {
    SSL_set_tlsext_host_name(s.ssl, host);
    SSL_set_hostflags(s.ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (SSL_set1_host(s.ssl, host) != 1) {
      *why = "host name not usable";
      return false;
    }
  }
  for (;;) {
    int r = SSL_connect(s.ssl);
    if (r == 1) return true;
    int error = SSL_get_error(s.ssl, r);
    if ((error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) &&
        WaitFor(s.fd, error, deadline)) {
      continue;
    }
    *why = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? "handshake timed out"
                                                                         : ErrorText(s.ssl);
    return false;
  }
}

long TlsSession::SendAll(const void* data, size_t length, int timeoutMs, int* error) {
  const int64_t deadline = NowMs() + (timeoutMs > 0 ? timeoutMs : 0);
  Impl& s = *impl_;
  const char* p = static_cast<const char*>(data);
  size_t sent = 0;
  while (sent < length) {
    const size_t piece = std::min<size_t>(length - sent, INT_MAX);
    int r = SSL_write(s.ssl, p + sent, static_cast<int>(piece));
    if (r > 0) {
      sent += static_cast<size_t>(r);
      continue;
    }
    int e = SSL_get_error(s.ssl, r);
    if ((e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) && WaitFor(s.fd, e, deadline)) {
      continue;
    }
    *error = e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE ? ETIMEDOUT : EPROTO;
    return -1;
  }
  return static_cast<long>(sent);
}

long TlsSession::ReceiveSome(void* buffer, size_t capacity, int timeoutMs) {
  const int64_t deadline = NowMs() + (timeoutMs > 0 ? timeoutMs : 0);
  Impl& s = *impl_;
  for (;;) {
    int r = SSL_read(s.ssl, buffer, static_cast<int>(std::min<size_t>(capacity, INT_MAX)));
    if (r > 0) return r;
    int e = SSL_get_error(s.ssl, r);
    if (e == SSL_ERROR_ZERO_RETURN) return 0;
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
      if (!WaitFor(s.fd, e, deadline)) return 0;  // time ran out
      continue;
    }
    return -1;
  }
}

}  // namespace vortik::platform
