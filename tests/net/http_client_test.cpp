#include "net/http_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "net/http_raw_server.h"
#include "platform/tcp.h"

namespace vortik {
namespace {

using testing::RawHttpServer;
using testing::RawReply;

std::string Ok(const std::string& body, const std::string& extraHeaders = "") {
  return "HTTP/1.0 200 OK\r\nServer: t\r\n" + extraHeaders + "\r\n" + body;
}

std::string GetHead(const std::string& path, const std::string& host) {
  return "GET " + path +
         " HTTP/1.0\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0\r\nHost: " +
         host + "\r\nConnection: close\r\nCache-Control: no-cache\r\n\r\n";
}

std::string PostHead(const std::string& path, const std::string& host, size_t length) {
  return "POST " + path + " HTTP/1.0\r\nHost: " + host +
         "\r\nAccept-Encoding: gzip,deflate\r\nAccept-Language: zh-cn\r\nAccept: */*\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
         std::to_string(length) + "\r\n\r\n";
}

TEST(SplitHttpUrl, HostPortAndPath) {
  struct Case {
    const char* url;
    bool ok;
    const char* host;
    int port;
    const char* path;
  };
  const std::string host63(63, 'a');
  const std::string url63 = "http://" + host63 + "/p";
  const std::string url64 = "http://" + host63 + "a/p";
  const Case cases[] = {
      {"http://example.com:8080/x", true, "example.com", 8080, "/x"},
      {"http://example.com", true, "example.com", 80, ""},
      {"ftp://example.com/a/b?c=d", true, "example.com", 80, "/a/b?c=d"},
      {"http://h:81junk/x", true, "hjunk", 81, "/x"},  // text after the digits joins the host
      {url63.c_str(), true, host63.c_str(), 80, "/p"},
      {url64.c_str(), false, "", 0, ""},
      {"example.com/x", false, "", 0, ""},
      {"http:/example.com/x", false, "", 0, ""},
      {"http://h:70000/x", false, "", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    int port = 0;
    char host[kHttpHostMax + 1];
    const char* path = SplitHttpUrl(c.url, &port, host);
    ASSERT_EQ(path != nullptr, c.ok);
    if (!c.ok) continue;
    EXPECT_STREQ(host, c.host);
    EXPECT_EQ(port, c.port);
    EXPECT_STREQ(path, c.path);
  }
}

TEST(ParseHttpResponseHead, StatusOffsetsAndValues) {
  struct Case {
    const char* text;
    int result;
    int offset;
    int value;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\nbody", 200, 39, 12},
      {"HTTP/1.1 200 OK\r\ncontent-length:7\r\n\r\n", 200, 37, 7},
      {"HTTP/1.1 200 OK\r\nX: y\r\n\r\n", 200, 25, -1},
      {"HTTP/1.1 200 OK\r\nX: y\r\n\r\nContent-Length: 3\r\n\r\n", 200, 25, -1},  // body
      {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", 0, 0, 0},                      // not complete
      // A length that is negative or no number is refused, not read as 0.
      {"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", -1, 0, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length: abc\r\n\r\n", -1, 0, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n\r\n", -1, 0, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length:\r\n\r\n", -1, 0, 0},
      {"HTTP/1.1 200 OK\r\nContent-Length: 4 \r\n\r\n", 200, 39, 4},
      {"HTTP/1.1 302 Found\r\nLOCATION:  http://a/b\r\n\r\n", 302, 31, 10},
      {"HTTP/1.1 301 Moved\r\nlocation: http://a/b", 0, 0, 0},  // Location line not ended
      {"HTTP/1.1 302 Found\r\n\r\n", 0, 0, 0},
      {"HTTP/1.1 404 Not Found\r\n\r\n", -1, 0, 0},
      {"HTTP/1.1 99999999999200 OK\r\n\r\n", -1, 0, 0},  // no wrap-around to 200
      {"http/1.1 200 OK\r\n\r\n", -1, 0, 0},
      {"", -1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int offset = 0;
    int value = 0;
    EXPECT_EQ(ParseHttpResponseHead(c.text, &offset, &value), c.result);
    if (c.result > 0) {
      EXPECT_EQ(offset, c.offset);
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(HttpRequest, GetSendsTheExactHeadWithPathAndBareHost) {
  RawHttpServer server({{{Ok("hi")}}});
  char reply[64];
  EXPECT_EQ(HttpRequest(server.url("/x?y=1").c_str(), nullptr, 0, reply, 64, 3000), 2);
  EXPECT_EQ(HttpRequest(("ftp://127.0.0.1:" + std::to_string(server.port())).c_str(), nullptr, 0,
                        reply, 64, 3000),
            2);
  auto got = server.received();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], GetHead("/x?y=1", "127.0.0.1"));
  EXPECT_EQ(got[1], GetHead("/", "127.0.0.1"));  // no path; a scheme other than https is HTTP

  // https is TLS or nothing: a server that answers in plain HTTP fails the handshake.
  EXPECT_EQ(HttpRequest(("https://127.0.0.1:" + std::to_string(server.port())).c_str(), nullptr, 0,
                        reply, 64, 3000),
            -1);
}

TEST(HttpRequest, PostSendsHeadBodyAndTailSmallOrLarge) {
  RawHttpServer server({{{Ok("ok")}}});
  char reply[64];
  const std::string url = server.url("/form.php");
  EXPECT_EQ(HttpRequest(url.c_str(), "a=1&b=2", 0, reply, 64, 3000), 2);  // length from the text
  const std::string large(3000, 'z');
  EXPECT_EQ(
      HttpRequest(url.c_str(), large.c_str(), static_cast<int>(large.size()), reply, 64, 3000), 2);
  auto got = server.received();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], PostHead("/form.php", "127.0.0.1", 7) + "a=1&b=2\r\n\r\n");
  EXPECT_EQ(got[1], PostHead("/form.php", "127.0.0.1", large.size()) + large + "\r\n\r\n");
}

TEST(HttpRequest, ReplyBufferMayBeThePostBuffer) {
  RawHttpServer server({{{Ok("answer")}}});
  char buffer[64] = "q=question";
  EXPECT_EQ(HttpRequest(server.url().c_str(), buffer, 0, buffer, 63, 3000), 6);
  EXPECT_STREQ(buffer, "answer");
  EXPECT_NE(server.received()[0].find("q=question\r\n\r\n"), std::string::npos);
}

TEST(HttpRequest, ContentLengthEndsTheBodyInAnyLetterCase) {
  for (const char* name : {"Content-Length", "content-length", "CONTENT-LENGTH"}) {
    SCOPED_TRACE(name);
    // The head comes first; the body arrives later with more bytes than announced.
    RawHttpServer server({{{Ok("", std::string(name) + ": 5\r\n"), "helloworld"}, 50}});
    char reply[64];
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(HttpRequest(server.url().c_str(), nullptr, 0, reply, 64, 3000), 5);
    EXPECT_EQ(std::string(reply, 6), std::string("hello\0", 6));
  }
}

TEST(HttpRequest, WithoutContentLengthReadsUntilClose) {
  RawHttpServer server({{{Ok("abc"), "def", "ghi"}, 30}});
  char reply[64];
  EXPECT_EQ(HttpRequest(server.url().c_str(), nullptr, 0, reply, 64, 3000), 9);
  EXPECT_STREQ(reply, "abcdefghi");

  // A body that mentions the header is body all the same.
  const std::string body = "Content-Length: 2\r\n\r\nxyz";
  RawHttpServer quoting({{{Ok(body)}}});
  EXPECT_EQ(HttpRequest(quoting.url().c_str(), nullptr, 0, reply, 64, 3000),
            static_cast<int>(body.size()));
  EXPECT_EQ(reply, body);
}

// A body that ends before its Content-Length is a cut reply, not a shorter one.
TEST(HttpRequest, BodyShorterThanItsContentLengthGivesZero) {
  struct Case {
    const char* name;
    RawReply reply;
    int capacity;
    int expected;
  };
  const Case cases[] = {
      {"closed early", {{Ok("abc", "Content-Length: 10\r\n")}}, 64, 0},
      {"closed early, later pieces", {{Ok("ab", "Content-Length: 10\r\n"), "cd"}, 20}, 64, 0},
      {"time ran out", {{Ok("abc", "Content-Length: 10\r\n")}, 0, false, false}, 64, 0},
      {"exact", {{Ok("abc", "Content-Length: 3\r\n")}}, 64, 3},
      // Announced beyond the capacity: filling the capacity is all that is asked.
      {"cut at capacity", {{Ok(std::string(20, 'c'), "Content-Length: 100\r\n")}}, 10, 10},
      {"short of capacity", {{Ok(std::string(5, 'c'), "Content-Length: 100\r\n")}}, 10, 0},
      // A length that is no usable number cannot tell a whole body from a cut one.
      {"negative length", {{Ok("abc", "Content-Length: -5\r\n")}}, 64, 0},
      {"length not a number", {{Ok("abc", "Content-Length: abc\r\n")}}, 64, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawHttpServer server({c.reply});
    char reply[64];
    EXPECT_EQ(HttpRequest(server.url().c_str(), nullptr, 0, reply, c.capacity, 300), c.expected);
  }
}

TEST(HttpRequest, BodyLongerThanCapacityIsCutWithoutNul) {
  RawHttpServer server({{{Ok(std::string(100, 'b'))}}});
  char reply[16];
  std::memset(reply, 'x', sizeof reply);
  EXPECT_EQ(HttpRequest(server.url().c_str(), nullptr, 0, reply, 10, 3000), 10);
  EXPECT_EQ(std::string(reply, 11), std::string(10, 'b') + "x");
}

TEST(HttpRequest, RedirectsAreFollowedAsGetAtMostTwice) {
  RawHttpServer target({{{Ok("moved here")}}});
  const std::string to = target.url("/next");
  for (const char* status : {"301 Moved Permanently", "302 Found"}) {
    SCOPED_TRACE(status);
    RawHttpServer first(
        {{{"HTTP/1.1 " + std::string(status) + "\r\nLocation: " + to + "\r\n\r\n"}}});
    char reply[64];
    EXPECT_EQ(HttpRequest(first.url("/start").c_str(), "x=1", 0, reply, 64, 3000), 10);
    EXPECT_STREQ(reply, "moved here");
  }
  auto got = target.received();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1], GetHead("/next", "127.0.0.1"));  // the POST became a GET
}

TEST(HttpRequest, ThirdRedirectGivesZeroAndRelativeLocationFails) {
  // Each server redirects to the next; the third redirect is not followed.
  RawHttpServer fourth({{{Ok("never")}}});
  RawHttpServer third({{{"HTTP/1.0 302 Found\r\nLocation: " + fourth.url() + "\r\n\r\n"}}});
  RawHttpServer second({{{"HTTP/1.0 302 Found\r\nLocation: " + third.url() + "\r\n\r\n"}}});
  RawHttpServer first({{{"HTTP/1.0 301 Moved\r\nLocation: " + second.url() + "\r\n\r\n"}}});
  char reply[64];
  EXPECT_EQ(HttpRequest(first.url().c_str(), nullptr, 0, reply, 64, 3000), 0);
  EXPECT_EQ(third.received().size(), 1u);
  EXPECT_TRUE(fourth.received().empty());

  RawHttpServer relative({{{"HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\n\r\n"}}});
  EXPECT_EQ(HttpRequest(relative.url().c_str(), nullptr, 0, reply, 64, 3000), -1);
}

TEST(HttpRequest, RepliesWithoutUsableBodyGiveZero) {
  struct Case {
    const char* name;
    std::string reply;
  };
  const Case cases[] = {
      {"404", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"},
      {"500", "HTTP/1.1 500 Internal Server Error\r\n\r\noops"},
      {"not HTTP", "<html>hello</html>\r\n\r\n"},
      {"empty 200", Ok("")},
      {"head over 1024 bytes", "HTTP/1.0 200 OK\r\nX-Pad: " + std::string(1100, 'p') + "\r\n\r\nb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawHttpServer server({{{c.reply}}});
    char reply[64];
    EXPECT_EQ(HttpRequest(server.url().c_str(), nullptr, 0, reply, 64, 3000), 0);
  }
}

TEST(HttpRequest, NullReplyBufferGivesContentLength) {
  RawHttpServer server({RawReply{{Ok("abc", "Content-Length: 1234\r\n")}}, RawReply{{Ok("abc")}}});
  EXPECT_EQ(HttpRequest(server.url().c_str(), nullptr, 0, nullptr, 0, 3000), 1234);
  EXPECT_EQ(HttpRequest(server.url().c_str(), nullptr, 0, nullptr, 0, 3000), -1);
}

TEST(HttpRequest, FailuresBeforeTheExchangeGiveMinusOne) {
  char reply[64];
  EXPECT_EQ(HttpRequest("no-scheme.example/x", nullptr, 0, reply, 64, 1000), -1);
  EXPECT_EQ(
      HttpRequest(("http://" + std::string(64, 'h') + "/").c_str(), nullptr, 0, reply, 64, 1000),
      -1);
  {
    // A port nobody listens on: the connection is refused.
    int port = 0;
    { port = RawHttpServer({{{Ok("")}}}).port(); }
    EXPECT_EQ(HttpRequest(("http://127.0.0.1:" + std::to_string(port) + "/").c_str(), nullptr, 0,
                          reply, 64, 1000),
              -1);
  }
  // A request head that would not fit its buffer is refused before anything is sent.
  RawHttpServer server({{{Ok("x")}}});
  EXPECT_EQ(
      HttpRequest(server.url("/" + std::string(1000, 'p')).c_str(), nullptr, 0, reply, 64, 1000),
      -1);
  EXPECT_EQ(
      HttpRequest(server.url("/" + std::string(1000, 'p')).c_str(), "a=b", 0, reply, 64, 1000), -1);
  EXPECT_TRUE(server.received().empty());
}

TEST(HttpRequest, SilentServerCostsTheBudgetNotMore) {
  RawHttpServer server({{{}, 0, true}});
  char reply[64];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpRequest(server.url().c_str(), "a=1", 0, reply, 64, 300), 0);
  auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_LT(spent, std::chrono::milliseconds(2000));  // generous: only a hang fails this

  // A server that trickles a byte at a time cannot stretch the call beyond its budget either.
  std::vector<std::string> drips(50, "x");
  drips[0] = Ok("x");
  RawHttpServer trickle({{drips, 100}});
  start = std::chrono::steady_clock::now();
  EXPECT_GT(HttpRequest(trickle.url().c_str(), nullptr, 0, reply, 64, 300), 0);
  spent = std::chrono::steady_clock::now() - start;
  EXPECT_LT(spent, std::chrono::milliseconds(2000));
}

// A name server on loopback that takes queries and never answers.
class SilentNameServer {
 public:
  SilentNameServer() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t size = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &size);
    address_ = addr;  // kept after the server goes: a look-up given up may still run
  }
  ~SilentNameServer() {
    platform::SetHostLookup(nullptr);
    ::close(fd_);
  }

  // The system's look-up on the resolver thread, sent to this server instead of the machine's.
  static bool Lookup(const std::string& name, uint32_t* address) {
    res_init();
    _res.nsaddr_list[0] = address_;
    _res.nscount = 1;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return false;
    *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
  }

 private:
  static inline sockaddr_in address_{};
  int fd_ = -1;
};

// Without a time limit of its own, a look-up that is never answered held the request for the
// system resolver's ten seconds, however small its budget.
TEST(HttpRequest, NameThatIsNeverResolvedCostsTheBudgetNotMore) {
  SilentNameServer names;
  platform::SetHostLookup(&SilentNameServer::Lookup);
  char reply[64];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpRequest("http://never-answers.test/", "a=1", 0, reply, 64, 300), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));

  // Names that do resolve go through the same thread.
  platform::SetHostLookup(nullptr);
  RawHttpServer server({{{Ok("named")}}});
  EXPECT_EQ(HttpRequest(("http://localhost:" + std::to_string(server.port()) + "/").c_str(),
                        nullptr, 0, reply, 64, 3000),
            5);
  EXPECT_EQ(server.received().at(0), GetHead("/", "localhost"));
}

}  // namespace
}  // namespace vortik
