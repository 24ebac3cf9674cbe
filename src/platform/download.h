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

struct DownloadOptions {
  int connectTimeoutMs = 30000;  // to establish the connection
  int stallTimeoutSec = 60;      // no byte for this long ends the download
};

// Fetches `url` (http or https, redirects followed) into `localPath`. The bytes go to a
// temporary file beside it, which replaces `localPath` only once the transfer has completed
// with status 200 and every announced byte; otherwise (error, time-out, cancel) the
// temporary file is removed and `localPath` is left as it was. Reports kDownloadBegin once,
// kDownloadData while data arrives and kDownloadEnd once it is complete. True on success.
bool DownloadToFile(const std::string& url, const std::string& localPath,
                    const DownloadProgressHandler& onProgress, const DownloadOptions& options = {});

}  // namespace vortik::platform
