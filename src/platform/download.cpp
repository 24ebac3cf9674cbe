#include "platform/download.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/tcp.h"
#include "platform/tls.h"
#include "platform/unique_fd.h"

namespace vortik::platform {

namespace {

bool GlobalInit() {
  static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ok;
}

// The temporary file a download writes; removed unless it was moved to its final name.
class TempFile {
 public:
  explicit TempFile(const std::string& finalPath) {
    std::vector<char> name(finalPath.begin(), finalPath.end());
    static const char kSuffix[] = ".part.XXXXXX";
    name.insert(name.end(), kSuffix, kSuffix + sizeof kSuffix);  // with the NUL
    fd_.Reset(mkostemp(name.data(), O_CLOEXEC));
    if (fd_.valid()) path_ = name.data();
  }
  ~TempFile() {
    CloseFd();
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool IsOpen() const { return fd_.valid(); }

  bool Write(const char* data, size_t length) {
    while (length > 0) {
      ssize_t n = ::write(fd_.get(), data, length);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      length -= static_cast<size_t>(n);
    }
    return true;
  }

  // Closes the file and gives it the final name; true when both worked.
  bool CommitAs(const std::string& finalPath) {
    if (!CloseFd()) return false;
    if (::rename(path_.c_str(), finalPath.c_str()) != 0) return false;
    path_.clear();
    return true;
  }

 private:
  bool CloseFd() { return fd_.Reset(); }

  UniqueFd fd_;
  std::string path_;
};

struct Transfer {
  CURL* curl = nullptr;
  TempFile* file = nullptr;
  const DownloadProgressHandler* onProgress = nullptr;
  std::string url;
  bool begun = false;  // the first body byte arrived (status 4 reported)
  bool cancelled = false;
  bool wrongStatus = false;
  bool badLength = false;  // the current response's Content-Length is no usable number
  bool tooLarge = false;
  int64_t maxBytes = kMaxDownloadBytes;
  int64_t received = 0;
  int64_t total = 0;  // Content-Length of the final response; 0 while unknown

  // Reports one status; true when the handler asks to cancel.
  bool Report(int code) {
    if (*onProgress == nullptr) return false;
    DownloadStatus status;
    status.progress = received;
    status.progressMax = total;
    status.statusCode = code;
    status.statusText = url;
    if ((*onProgress)(status)) cancelled = true;
    return cancelled;
  }

  bool Begin() {
    begun = true;
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    if (code != 200) {
      wrongStatus = true;
      return false;
    }
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    total = length > 0 ? length : 0;
    return !Report(kDownloadBegin);
  }
};

// A Content-Length value: decimal digits only (blanks around them allowed), within 64 bits.
bool ParseContentLength(std::string_view text, int64_t* value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && std::strchr(" \t\r\n", text.back()) != nullptr) text.remove_suffix(1);
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || v > (INT64_MAX - (c - '0')) / 10) return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

// Sees every header line of every response (redirects included) before its body. libcurl
// reads a Content-Length that overflows 64 bits as absent and takes the body up to the close
// as complete; such a length, or one that is not a number, fails the transfer instead.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t length = size * count;
  std::string_view line(data, length);
  if (line.rfind("HTTP/", 0) == 0) {
    t->badLength = false;  // a new response begins
    return length;
  }
  constexpr std::string_view kName = "content-length:";
  if (line.size() >= kName.size() &&
      std::equal(kName.begin(), kName.end(), line.begin(),
                 [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
    int64_t value = 0;
    if (!ParseContentLength(line.substr(kName.size()), &value)) t->badLength = true;
  }
  return length;
}

size_t OnWrite(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t length = size * count;
  if (t->badLength) return 0;
  if (!t->begun && !t->Begin()) return 0;  // 0 stops the transfer
  if (static_cast<uint64_t>(t->received) + length > static_cast<uint64_t>(t->maxBytes)) {
    t->tooLarge = true;  // nothing of it is written: the file never grows past the limit
    return 0;
  }
  if (t->cancelled || !t->file->Write(data, length)) return 0;
  t->received += static_cast<int64_t>(length);
  return length;
}

int OnTransferInfo(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(user);
  if (t->cancelled) return 1;
  return t->Report(t->begun ? kDownloadData : kDownloadConnecting) ? 1 : 0;
}

// The host and port of a URL (the scheme's port when none is given); false when it has none.
bool UrlHostPort(const std::string& url, std::string* host, long* port) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
    return false;
  }
  char* part = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_HOST, &part, 0) != CURLUE_OK) return false;
  *host = part;
  curl_free(part);
  if (curl_url_get(parsed.get(), CURLUPART_PORT, &part, CURLU_DEFAULT_PORT) != CURLUE_OK) {
    return false;
  }
  *port = std::strtol(part, nullptr, 10);
  curl_free(part);
  return !host->empty() && *port > 0;
}

// libcurl waits for the system's look-up to give up by itself (minutes, against a name server
// that never answers), whatever its connect time limit. The server's name is looked up here
// instead, within that limit and with the progress handler running, and the address handed to
// libcurl in `resolved`. A name without an IPv4 address is left to libcurl, whose resolver then
// answers at once as well. False when the look-up was given up (time limit or cancel).
bool LookUpServer(CURL* c, const std::string& url, int timeoutMs, Transfer& transfer,
                  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>& resolved) {
  std::string host;
  long port = 0;
  in_addr numeric{};
  if (!UrlHostPort(url, &host, &port) || host.front() == '[' ||
      inet_pton(AF_INET, host.c_str(), &numeric) == 1) {
    return true;  // an address already, or nothing to look up
  }
  uint32_t address = 0;
  bool gaveUp = false;
  if (!ResolveIpv4(host.c_str(), &address, timeoutMs, &gaveUp,
                   [&transfer] { return !transfer.Report(kDownloadConnecting); })) {
    return !gaveUp;
  }
  char dotted[INET_ADDRSTRLEN] = {};
  in_addr in{};
  in.s_addr = address;
  if (inet_ntop(AF_INET, &in, dotted, sizeof dotted) == nullptr) return true;
  const std::string entry = host + ":" + std::to_string(port) + ":" + dotted;
  resolved.reset(curl_slist_append(nullptr, entry.c_str()));
  if (resolved) curl_easy_setopt(c, CURLOPT_RESOLVE, resolved.get());
  return true;
}

}  // namespace

bool DownloadToFile(const std::string& url, const std::string& localPath,
                    const DownloadProgressHandler& onProgress, const DownloadOptions& options,
                    bool* tooLarge) {
  bool tooLargeUnused = false;
  if (tooLarge == nullptr) tooLarge = &tooLargeUnused;
  *tooLarge = false;
  if (!GlobalInit()) return false;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) return false;
  TempFile file(localPath);
  if (!file.IsOpen()) return false;

  Transfer transfer;
  transfer.curl = curl.get();
  transfer.file = &file;
  transfer.onProgress = &onProgress;
  transfer.url = url;
  transfer.maxBytes = std::max<int64_t>(options.maxBytes, 0);

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  // A download asked for over https never continues over plain HTTP.
  const bool secure = strncasecmp(url.c_str(), "https:", 6) == 0;
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  // Certificates are checked (libcurl's default); tests trust their own CA instead of the
  // system's store.
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  const std::string trusted = TrustedCertificates();
  if (!trusted.empty()) {
    curl_easy_setopt(c, CURLOPT_CAINFO, trusted.c_str());
    curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
  }
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeoutMs));
  // Fewer than 100 bytes a second over stallTimeoutSec seconds ends the transfer: a server
  // that trickles a byte at a time would otherwise hold it for days.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 100L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options.stallTimeoutSec));
  // An announced length beyond the limit is refused before any byte is taken.
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(transfer.maxBytes));
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnWrite);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);

  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> resolved(nullptr,
                                                                       &curl_slist_free_all);
  if (!LookUpServer(c, url, options.connectTimeoutMs, transfer, resolved)) return false;

  const CURLcode result = curl_easy_perform(c);
  if (transfer.badLength) return false;
  if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
    *tooLarge = true;
    return false;
  }
  if (result != CURLE_OK || transfer.cancelled || transfer.wrongStatus) return false;
  // An empty file never reached the write callback.
  if (!transfer.begun && !transfer.Begin()) return false;
  if (transfer.total > 0 && transfer.received != transfer.total) return false;
  transfer.total = transfer.received;
  if (transfer.Report(kDownloadEnd)) return false;
  return file.CommitAs(localPath);
}

}  // namespace vortik::platform
