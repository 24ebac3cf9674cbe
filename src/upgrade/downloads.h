// Firmware downloads into the temporary folder: local names, request URLs, progress texts, the
// gauge handler, and the legacy, ROM and FLASH part procedures with their reuse rules.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/host.h"
#include "platform/download.h"

namespace vortik {

// The gauge's size of the first FLASH part, whatever its real size.
inline constexpr int kFirstFlashPartGaugeSize = 131072;

// The download status codes 1..33 each have a text: code n is MsgInfo(n + 11).
inline constexpr int kDownloadStatusCount = 33;
std::optional<TextId> DownloadStatusTextId(int statusCode);  // nothing outside 1..33

// The text shown for a download status: the language's download-status text of the code, with
// " " and the status text appended for codes 1, 4 and 6; empty for code 2 and for codes outside
// 1..33.
std::string ProgressText(const TextTable& texts, int statusCode, std::string_view statusText);

// The local file name of a download: the text after the last '/' of the URL or path. Nothing
// when there is no '/', or when the name is not a plain file name (empty, "." or "..", or
// holding a NUL), so a download never writes outside the temporary folder.
std::optional<std::string> LocalDownloadName(std::string_view urlOrPath);
// The temporary folder followed by `name`.
std::string LocalDownloadPath(const std::string& name);
// `url` followed by "?handle=" and the current time in seconds since 1970, so no cache between
// us and the server answers with an older file.
std::string DownloadRequestUrl(const std::string& url);
// The legacy server's base address `server` followed by the path from its reply.
std::string LegacyDownloadUrl(const std::string& server, const std::string& path);

// The window's progress handler: shows a non-empty text in the status label, sets the gauge's
// maximum when data begins (status 4: the combined size of ROM and FLASH when progressMode is
// not 0, else `progressMax`) and its position while data arrives (status 5: after the ROM's
// share when progressMode is 2). Sets `cancel` once the window is closing.
void OnDownloadProgress(Host& host, int64_t progress, int64_t progressMax, bool& cancel,
                        const std::string& text, int statusCode);

// Fetches `requestUrl` into `localPath` with OnDownloadProgress on `host`, letting pending
// events run at every report. True only when the transfer completed and the last status
// reported was 6 (the whole file arrived). A body beyond `maxBytes` ends the transfer with
// nothing kept and sets *tooLarge (when given).
bool DownloadToFile(Host& host, const std::string& requestUrl, const std::string& localPath,
                    int64_t maxBytes = platform::kMaxDownloadBytes, bool* tooLarge = nullptr);

// Fetches a file of the legacy server at `server` (`path` as in its reply) into the temporary
// folder, always afresh, taking at most `maxBytes` (see DownloadToFile). The local path, or empty
// on failure; shows no message.
std::string DownloadLegacyFile(Host& host, const std::string& server, const std::string& path,
                               int64_t maxBytes = platform::kMaxDownloadBytes,
                               bool* tooLarge = nullptr);

// How the fetch of one firmware file ended; the caller turns it into its message.
enum class FetchOutcome {
  kFetched,
  kFailed,       // no usable local name, or the file did not arrive whole
  kWrongSize,    // it arrived with another size than offered
  kWrongDigest,  // it arrived with another digest than offered
};
struct FetchedFile {
  FetchOutcome outcome = FetchOutcome::kFailed;
  std::string path;  // the local path when fetched
};

// Gives the local path of a verified ROM file: reused from the temporary folder when its size
// and digest match, else fetched (never more than `length` bytes) and checked (size, then
// digest). Shows no message.
FetchedFile DownloadRomFile(Host& host, const std::string& url, const std::string& digest,
                            int32_t length);

// Fetches one FLASH part unless `force` is false and a file with the expected digest is already
// in the temporary folder. `gaugeSize` becomes flashProgressSize; the part's size is not
// checked (never kWrongSize). `localPath` is set when fetched. Shows no message.
FetchOutcome DownloadFlashPart(Host& host, const std::string& url, const std::string& digest,
                               bool force, int32_t gaugeSize, std::string* localPath);

}  // namespace vortik
