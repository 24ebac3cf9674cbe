#include "net/http_client.h"

#include <strings.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/tcp.h"
#include "platform/tls.h"

namespace vortik {

namespace {

constexpr int kMaxRedirectsFollowed = 2;
constexpr char kPostTail[] = "\r\n\r\n";  // sent after every POST body, not counted
constexpr int kPostTailLength = 4;

constexpr char kGetFormat[] =
    "GET %s HTTP/1.0\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0\r\n"
    "Host: %s\r\nConnection: close\r\nCache-Control: no-cache\r\n\r\n";
constexpr char kPostFormat[] =
    "POST %s HTTP/1.0\r\nHost: %s\r\nAccept-Encoding: gzip,deflate\r\nAccept-Language: "
    "zh-cn\r\nAccept: */*\r\nContent-Type: application/x-www-form-urlencoded\r\n"
    "Content-Length: %d\r\n\r\n";

// First occurrence of `pattern` in the text from `text` up to `end` (null: up to its NUL),
// comparing bytes with 0x20 OR-ed in (so letters match in any case).
const char* FindFolded(const char* text, const char* end, const char* pattern) {
  for (const char* start = text;; ++start) {
    const char* t = start;
    const char* p = pattern;
    while (*p != '\0' && *t != '\0' && t != end &&
           (static_cast<unsigned char>(*t) | 0x20) == (static_cast<unsigned char>(*p) | 0x20)) {
      ++t;
      ++p;
    }
    if (*p == '\0') return start;
    if (*t == '\0' || t == end) return nullptr;  // the rest is shorter than the pattern
  }
}

// Reads the decimal digits at `p` and moves past them; no digits give 0, and a number too
// large for an int stays at INT_MAX.
int ReadDigits(const char*& p) {
  int64_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (v <= INT_MAX) v = v * 10 + (*p - '0');
  }
  return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

// Formats the request head into `buffer`; returns its length, or -1 when it does not fit.
int FormatHead(char (&buffer)[kHttpHeadBufferSize + 4], const char* path, const char* host,
               bool post, int postLength) {
  int n = post ? std::snprintf(buffer, sizeof buffer, kPostFormat, path, host, postLength)
               : std::snprintf(buffer, sizeof buffer, kGetFormat, path, host);
  return n < 0 || n > kHttpHeadBufferSize ? -1 : n;
}

// True for an "https://" URL (scheme in any letter case): the request goes over TLS.
bool IsHttps(const char* url) {
  return strncasecmp(url, "https://", 8) == 0;
}

// One connection to the server: the socket, and a TLS session over it for https.
struct Connection {
  platform::TcpSocket socket;
  std::unique_ptr<platform::TlsSession> tls;

  long Send(const char* data, int length, int timeoutMs, int* error) {
    const auto size = static_cast<size_t>(length);
    return tls ? tls->SendAll(data, size, timeoutMs, error)
               : platform::SendAll(socket, data, size, timeoutMs, error);
  }
  long Receive(char* into, int space, int timeoutMs) {
    const auto size = static_cast<size_t>(space);
    return tls ? tls->ReceiveSome(into, size, timeoutMs)
               : platform::ReceiveSome(socket, into, size, timeoutMs);
  }
};

bool SendOrReport(Connection& connection, const char* data, int length, int timeoutMs) {
  int error = 0;
  if (connection.Send(data, length, timeoutMs, &error) >= 0) return true;
  std::fprintf(stderr, "send error %d，Error message'%s'\n", error, std::strerror(error));
  return false;
}

}  // namespace

const char* SplitHttpUrl(const char* url, int* port, char (&host)[kHttpHostMax + 1]) {
  *port = IsHttps(url) ? 443 : 80;
  const char* colon = std::strchr(url, ':');
  if (colon == nullptr || colon[1] != '/' || colon[2] != '/') return nullptr;
  const char* p = colon + 3;
  int copied = 0;
  while (*p != '\0' && *p != '/') {
    if (*p == ':') {
      ++p;
      int value = 0;
      for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > 65535) return nullptr;
      }
      *port = value;
      continue;
    }
    if (copied == kHttpHostMax + 1 - 1) return nullptr;  // a 64th character: too long
    host[copied++] = *p++;
  }
  host[copied] = '\0';
  return p;
}

int ParseHttpResponseHead(const char* text, int* offset, int* value) {
  if (std::strncmp(text, "HTTP", 4) != 0) return -1;
  const char* p = text;
  while (*p != '\0' && *p != ' ') ++p;
  while (*p == ' ') ++p;
  int status = ReadDigits(p);

  if (status == 200) {
    const char* end = std::strstr(p, "\r\n\r\n");
    if (end == nullptr) return 0;
    // Only the head is searched: a body that mentions the header does not count.
    int length = -1;
    if (const char* name = FindFolded(p, end, "Content-Length:")) {
      const char* q = name + 15;
      while (*q == ' ' || *q == '\t') ++q;
      // Decimal digits only: a negative length or one that is no number would let a body cut
      // short pass as whole, so such a response is refused.
      if (*q < '0' || *q > '9') return -1;
      length = ReadDigits(q);
      while (*q == ' ' || *q == '\t') ++q;
      if (q[0] != '\r' || q[1] != '\n') return -1;
    }
    *offset = static_cast<int>(end + 4 - text);
    *value = length;
    return 200;
  }
  if (status == 301 || status == 302) {
    const char* name = FindFolded(p, nullptr, "location:");
    if (name == nullptr) return 0;
    const char* q = name + 9;
    while (*q == ' ') ++q;
    const char* eol = std::strstr(q, "\r\n");
    if (eol == nullptr) return 0;
    *offset = static_cast<int>(q - text);
    *value = static_cast<int>(eol - q);
    return status;
  }
  return -1;
}

int HttpRequest(const char* url, const char* postData, int postLength, char* replyBuffer,
                int replyCapacity, int timeoutMs) {
  if (url == nullptr) return -1;
  const auto start = std::chrono::steady_clock::now();
  // The whole call shares one budget: every wait ends by start + timeoutMs.
  auto remaining = [&]() -> int {
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count();
    int64_t left = static_cast<int64_t>(timeoutMs) - spent;
    return static_cast<int>(std::clamp<int64_t>(left, INT_MIN, INT_MAX));
  };
  if (postData != nullptr && postLength <= 0) {
    postLength = static_cast<int>(std::min<size_t>(std::strlen(postData), INT_MAX));
  }
  if (replyCapacity < 0) replyCapacity = 0;

  char buffer[kHttpHeadBufferSize + 4];    // request head, small POST, then response head
  char location[kHttpHeadBufferSize + 4];  // the URL a redirect leads to
  const char* currentUrl = url;
  int redirects = 0;

  for (;;) {
    int port = 80;
    char host[kHttpHostMax + 1];
    const char* path = SplitHttpUrl(currentUrl, &port, host);
    if (path == nullptr) return -1;
    if (*path == '\0') path = "/";
    const bool post = postData != nullptr;
    const int headLength = FormatHead(buffer, path, host, post, postLength);
    if (headLength < 0) return -1;

    uint32_t address = 0;
    if (!platform::ResolveIpv4(host, &address, std::max(remaining(), 0))) return -1;
    Connection connection;
    switch (platform::ConnectTcp(address, static_cast<uint16_t>(port), std::max(remaining(), 0),
                                 &connection.socket)) {
      case platform::ConnectStatus::kConnected:
        break;
      case platform::ConnectStatus::kNoSocket:
        return -1;
      case platform::ConnectStatus::kFailed:
        std::fputs("connect error!\n", stderr);
        return -1;
    }
    if (IsHttps(currentUrl)) {
      // A certificate that does not verify ends the request like a failed connection; it
      // never falls back to plain HTTP.
      connection.tls = std::make_unique<platform::TlsSession>();
      std::string why;
      if (!connection.tls->Start(connection.socket, host, std::max(remaining(), 0), &why)) {
        std::fprintf(stderr, "tls error: %s\n", why.c_str());
        return -1;
      }
    }
    if (remaining() <= 0) return -1;

    if (!post) {
      if (!SendOrReport(connection, buffer, headLength, remaining())) return -1;
    } else if (int64_t{headLength} + postLength + 10 < kHttpHeadBufferSize) {
      // A small POST leaves in one piece: head, body, tail.
      std::memcpy(buffer + headLength, postData, static_cast<size_t>(postLength));
      std::memcpy(buffer + headLength + postLength, kPostTail, kPostTailLength);
      if (!SendOrReport(connection, buffer, headLength + postLength + kPostTailLength,
                        remaining())) {
        return -1;
      }
    } else if (!SendOrReport(connection, buffer, headLength, remaining()) ||
               !SendOrReport(connection, postData, postLength, remaining()) ||
               !SendOrReport(connection, kPostTail, kPostTailLength, remaining())) {
      return -1;
    }

    // Receive: first into `buffer` until the response head is understood, then the body
    // straight into replyBuffer.
    char* into = buffer;
    int space = kHttpHeadBufferSize;
    int headReceived = 0;
    int status = 0;
    int stored = 0;
    int contentLength = -1;
    bool redirected = false;
    while (space > 0) {
      long n = connection.Receive(into, space, std::max(remaining(), 0));
      if (n <= 0) break;
      into += n;
      space -= static_cast<int>(n);
      if (status == 200) {
        stored += static_cast<int>(n);
        continue;
      }
      headReceived += static_cast<int>(n);
      buffer[headReceived] = '\0';
      // Wait for the status line to end before judging it.
      if (std::memchr(buffer, '\n', static_cast<size_t>(headReceived)) == nullptr) continue;
      int offset = 0;
      int value = 0;
      int result = ParseHttpResponseHead(buffer, &offset, &value);
      if (result == 0) continue;
      if (result == 200) {
        if (replyBuffer == nullptr) return value;
        status = 200;
        contentLength = value;
        stored = std::min(headReceived - offset, replyCapacity);
        std::memcpy(replyBuffer, buffer + offset, static_cast<size_t>(stored));
        into = replyBuffer + stored;
        space = value > 0 && value < replyCapacity ? value - stored : replyCapacity - stored;
        continue;
      }
      if ((result == 301 || result == 302) && ++redirects <= kMaxRedirectsFollowed) {
        std::memcpy(location, buffer + offset, static_cast<size_t>(value));
        location[value] = '\0';
        if (connection.tls && !IsHttps(location)) return -1;  // never from https down to plain
        currentUrl = location;
        postData = nullptr;  // a redirect is always followed with a GET
        redirected = true;
      }
      break;
    }
    connection.tls.reset();
    connection.socket.Close();
    if (redirected) continue;
    if (status != 200) return 0;
    // A body that ended before its Content-Length (as far as the buffer holds it) was cut.
    if (contentLength >= 0 && stored < std::min(contentLength, replyCapacity)) return 0;
    if (stored < replyCapacity) replyBuffer[stored] = '\0';
    return stored;
  }
}

bool HttpPostText(const std::string& url, const std::string& body, int replyCapacity, int timeoutMs,
                  std::string* reply) {
  if (body.size() > INT_MAX || replyCapacity <= 0) return false;
  std::vector<char> buffer(static_cast<size_t>(replyCapacity) + 1);
  int n = HttpRequest(url.c_str(), body.c_str(), static_cast<int>(body.size()), buffer.data(),
                      replyCapacity, timeoutMs);
  if (n <= 0) return false;
  reply->assign(buffer.data(), static_cast<size_t>(n));
  return true;
}

}  // namespace vortik
