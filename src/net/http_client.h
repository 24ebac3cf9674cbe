// HttpRequest: the small blocking HTTP/1.0 client every server exchange goes through, and its
// URL splitter and response head parser.
#pragma once

#include <string>

namespace vortik {

// Size of the request and response head buffer: a request head longer than this is refused,
// a response head that has not ended within it is never complete.
inline constexpr int kHttpHeadBufferSize = 1024;
// Longest host name a URL may carry.
inline constexpr int kHttpHostMax = 63;

// One GET (postData null) or POST (postData, postLength bytes; 0 or less: its text length)
// to `url` ("scheme://host[:port][/path]"), following at most two 301/302 redirects as GET.
// "https" goes over TLS (port 443 unless given): the server's certificate must chain to a
// trusted root (the system's store) and name the host, else the request fails with -1, and a
// redirect from https to another scheme fails with -1 too; any other scheme is plain HTTP.
// The whole call, name look-up, connection, handshake and replies included, lasts at most
// about `timeoutMs`.
//
// Returns:
//   > 0  status 200 and this many body bytes were stored in replyBuffer (cut at
//        replyCapacity); a NUL follows them when the count is below replyCapacity.
//   0    no usable body: another status, a third redirect, a response head that did not
//        end within 1,024 bytes, an empty body, a body that ended (closed or out of time)
//        before its Content-Length or the capacity was reached, or the connection closed or
//        time ran out before a body byte arrived.
//   -1   nothing exchanged: bad URL, request head too long, unknown host (the look-up, too,
//        ends with the budget), no connection within the budget, or the request could not
//        be sent.
// With replyBuffer null, a 200 reply returns its Content-Length (-1 when it has none) as soon
// as its head is in. replyBuffer may be the same buffer as postData.
int HttpRequest(const char* url, const char* postData, int postLength, char* replyBuffer,
                int replyCapacity, int timeoutMs);

// POSTs the form-encoded `body` to `url` and gives the reply body (at most replyCapacity
// bytes) in *reply. True only when HttpRequest gave a body (a result above 0).
bool HttpPostText(const std::string& url, const std::string& body, int replyCapacity, int timeoutMs,
                  std::string* reply);

// Splits "scheme://host[:port][/path]": writes the host (at most 63 characters, NUL-ended)
// into `host` and the port (443 for https, 80 for any other scheme, unless given) into *port, and
// returns the path inside `url`
// ('/' included; the URL's terminating NUL when it has none). Null when the URL has no "://"
// right after its first ':', its host is too long, or its port is above 65535.
const char* SplitHttpUrl(const char* url, int* port, char (&host)[kHttpHostMax + 1]);

// Parses the NUL-terminated response head received so far. Returns:
//   200       the head is complete; *offset is the first body byte, *value the Content-Length
//             (-1 when absent);
//   301, 302  *offset and *value are the position and length of the Location value;
//   0         not complete yet (or a redirect without a complete Location line);
//   -1        not an HTTP response, or any other status.
int ParseHttpResponseHead(const char* text, int* offset, int* value);

}  // namespace vortik
