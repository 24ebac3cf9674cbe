// File downloads over HTTP(S) with libcurl: progress reports in the download status
// numbering, cancel from the progress handler, and no partial file left under the final name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vortik::platform {

// Status codes reported to the progress handler.
inline constexpr int kDownloadConnecting = 2;  // waiting for the server's first body byte
inline constexpr int kDownloadBegin = 4;       // the first body bytes arrived
inline constexpr int kDownloadData = 5;        // data arriving: progress of progressMax
inline constexpr int kDownloadEnd = 6;         // the whole file arrived

struct DownloadStatus {
  int64_t progress = 0;     // bytes received so far
  int64_t progressMax = 0;  // announced size; 0 while unknown
  int statusCode = 0;       // one of the codes above
  std::string statusText;   // the request URL
};

// Called on the caller's thread as the download goes on, at least every second or so even
// while the server is silent (so the caller can let pending events run). Returning true
// cancels the download.
using DownloadProgressHandler = std::function<bool(const DownloadStatus& status)>;

// The most any download may bring when its caller knows no smaller size: far beyond any image
// the tool takes (65,536 blocks of 4 KiB), and a bound on what a server can put on the disk.
inline constexpr int64_t kMaxDownloadBytes = int64_t{256} * 1024 * 1024;

struct DownloadOptions {
  int connectTimeoutMs = 30000;          // to establish the connection, name look-up included
  int stallTimeoutSec = 60;              // under 100 bytes/s for this long ends the download
  int64_t maxBytes = kMaxDownloadBytes;  // a body announced or sent beyond this ends it
};

// Fetches `url` (http or https, redirects followed; from https only to https) into
// `localPath`. The bytes go to a temporary file beside it, which replaces `localPath` only once
// the transfer has completed with status 200 and every announced byte; otherwise (error,
// time-out, cancel, a Content-Length that is no decimal number, a body beyond maxBytes) the
// temporary file is removed and `localPath` is left as it was. https checks the server's
// certificate and name against the trusted certificates (see SetTrustedCertificates). Reports
// kDownloadBegin once, kDownloadData while data arrives and kDownloadEnd once it is complete.
// True on success; *tooLarge (when given) tells a body beyond maxBytes from other failures.
bool DownloadToFile(const std::string& url, const std::string& localPath,
                    const DownloadProgressHandler& onProgress, const DownloadOptions& options = {},
                    bool* tooLarge = nullptr);

}  // namespace vortik::platform
