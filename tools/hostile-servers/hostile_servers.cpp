// Plays hostile servers against the HTTP client and the download path and prints one table
// row per case: time taken against the budget, the result, and what was left on disk.
// Usage: hostile-servers [case ...]   (no case: every case but "resolver", which waits for a
// look-up that never answers: 30 s for the download's own resolver)
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "helpers/test_ca.h"
#include "net/http_client.h"
#include "net/http_raw_server.h"
#include "platform/download.h"
#include "platform/tcp.h"
#include "platform/tls.h"
#include "update_server_sim.h"

namespace fs = std::filesystem;
using vortik::testing::RawHttpServer;
using vortik::testing::RawReply;

namespace {

constexpr int kQueryBudgetMs = 5000;      // the legacy check's budget
constexpr int kQueryCapacity = 260;       // and its reply capacity
constexpr int64_t kExpectedBytes = 4096;  // the offered length a ROM download is held to

struct Outcome {
  double ms = 0;
  std::string result;
};

Outcome Query(const std::string& url) {
  char reply[kQueryCapacity + 1];
  auto start = std::chrono::steady_clock::now();
  int n = vortik::HttpRequest(url.c_str(), "types=TQ100&subtype=A", 0, reply, kQueryCapacity,
                              kQueryBudgetMs);
  Outcome o;
  o.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  o.result = "HttpRequest " + std::to_string(n);
  return o;
}

std::string DiskLeft(const fs::path& dir) {
  uintmax_t bytes = 0;
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    ++files;
    bytes += e.file_size();
  }
  fs::remove_all(dir);
  fs::create_directories(dir);
  return files == 0 ? "nothing"
                    : std::to_string(files) + " file(s), " + std::to_string(bytes) + " B";
}

Outcome Download(const std::string& url, const fs::path& dir) {
  vortik::platform::DownloadOptions options;
  options.maxBytes = kExpectedBytes;
  bool tooLarge = false;
  auto start = std::chrono::steady_clock::now();
  bool ok = vortik::platform::DownloadToFile(url, (dir / "rom.bin").string(), nullptr, options,
                                             &tooLarge);
  Outcome o;
  o.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  o.result = ok ? "download ok" : tooLarge ? "download failed (too large)" : "download failed";
  return o;
}

void Row(const char* name, const Outcome& query, const Outcome& download, const std::string& disk) {
  std::printf("| %s | %.0f ms of %d ms | %s | %.0f ms | %s | %s |\n", name, query.ms,
              kQueryBudgetMs, query.result.c_str(), download.ms, download.result.c_str(),
              disk.c_str());
  std::fflush(stdout);
}

std::string Head(const std::string& extra) {
  return "HTTP/1.1 200 OK\r\n" + extra + "\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> wanted(argv + 1, argv + argc);
  auto want = [&](const char* name) {
    if (wanted.empty()) return std::string(name) != "resolver";
    for (const auto& w : wanted) {
      if (w == name) return true;
    }
    return false;
  };
  const fs::path dir = fs::temp_directory_path() / ("vortik-hostile-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "out");
  const fs::path out = dir / "out";

  struct RawCase {
    const char* name;
    std::vector<RawReply> replies;
  };
  std::vector<std::string> drips;
  for (char c : Head("Content-Length: 5\r\n") + "hello") drips.emplace_back(1, c);
  std::vector<RawCase> cases = {
      {"never answers", {{{}, 0, true, false}}},
      {"one byte per second", {{drips, 1000}}},
      {"endless body", {{{Head("")}, 0, false, true, std::string(64 * 1024, 'e')}}},
      {"1 MB head", {{{"HTTP/1.1 200 OK\r\nX-Pad: " + std::string(1 << 20, 'p') + "\r\n\r\nb"}}}},
      {"short body", {{{Head("Content-Length: 4096\r\n") + "abc"}}}},
      {"huge Content-Length", {{{Head("Content-Length: 100000000000000000000\r\n") + "abc"}}}},
      {"negative Content-Length", {{{Head("Content-Length: -5\r\n") + "abc"}}}},
      {"status line split over packets",
       {{{"HT", "TP/1.1 2", "00 OK\r\nContent-Le", "ngth: 5\r\n\r", "\nhello"}, 50}}},
      {"NUL bytes", {{{Head("X-A: a\0b\r\nContent-Length: 5\r\n"), std::string("he\0lo", 5)}, 20}}},
  };
  // NUL bytes in the head need their real length.
  cases.back().replies[0].pieces[0] =
      std::string("HTTP/1.1 200 OK\r\nX-A: a\0b\r\nContent-Length: 5\r\n\r\n", 48);
  for (const RawCase& c : cases) {
    if (!want(c.name)) continue;
    RawHttpServer server(c.replies);
    Outcome q = Query(server.url("/uplink/vx_checkupgrade.php"));
    Outcome d = Download(server.url("/rom.bin?handle=1"), out);
    Row(c.name, q, d, DiskLeft(out));
  }
  if (want("redirect loop")) {
    const fs::path root = dir / "loop";
    vortik::sim::UpdateServerSim server(root.string());
    vortik::sim::SimFault loop;
    loop.redirectTo = "{base}/loop";
    server.SetFault("/loop", loop);
    if (!server.Start()) return 1;
    Outcome q = Query(server.BaseUrl() + "/loop");
    Outcome d = Download(server.BaseUrl() + "/loop", out);
    Row("redirect loop", q, d, DiskLeft(out));
  }
  if (want("resolver")) {
    // A look-up that never answers, in place of the system's (curl keeps its own resolver).
    vortik::platform::SetHostLookup([](const std::string&, uint32_t*) {
      std::this_thread::sleep_for(std::chrono::seconds(30));
      return false;
    });
    Outcome q = Query("http://never-answers.test/uplink/vx_checkupgrade.php");
    vortik::platform::SetHostLookup(nullptr);
    Outcome d = Download("http://never-answers.test/rom.bin?handle=1", out);
    Row("resolver that never answers", q, d, DiskLeft(out));
  }
  if (want("tls")) {
    vortik::test::TestCertificates certs;
    const fs::path certDir = dir / "certs";
    fs::create_directories(certDir);
    if (!vortik::test::MakeTestCertificates(certDir.string(), &certs)) return 1;
    vortik::platform::SetTrustedCertificates(certs.caFile);
    const std::pair<const char*, vortik::test::CertificateFiles*> tls[] = {
        {"certificate for another host", &certs.otherHost},
        {"expired certificate", &certs.expired},
    };
    for (const auto& [name, files] : tls) {
      const fs::path root = dir / "root";
      vortik::sim::WriteSimFile(root.string(), "files/rom.bin", std::string(4096, 'r'));
      vortik::sim::UpdateServerSim server(root.string(), {files->cert, files->key});
      if (!server.Start()) return 1;
      Outcome q = Query(server.BaseUrl() + "/uplink/vx_checkupgrade.php");
      Outcome d = Download(server.BaseUrl() + "/rom.bin?handle=1", out);
      Row(name, q, d, DiskLeft(out));
    }
  }
  fs::remove_all(dir);
  return 0;
}
