#include "upgrade/downloads.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <utility>

#include "platform/file_ops.h"
#include "platform/folders.h"
#include "upgrade/md5_check.h"

namespace vortik {

namespace {

constexpr int kStatusFindingResource = 1;

// The codes whose text is followed by the report's own status text.
bool CarriesStatusText(int statusCode) {
  return statusCode == kStatusFindingResource || statusCode == platform::kDownloadBegin ||
         statusCode == platform::kDownloadEnd;
}

int ToGauge(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

bool FileExists(const std::string& path) {
  return platform::FileSize(path) >= 0;
}

}  // namespace

std::optional<TextId> DownloadStatusTextId(int statusCode) {
  constexpr int kFirst = static_cast<int>(TextId::MsgInfo12);
  constexpr int kLast = static_cast<int>(TextId::MsgInfo44);
  static_assert(kLast - kFirst + 1 == kDownloadStatusCount, "one text per status code");
  if (statusCode < 1 || statusCode > kDownloadStatusCount) return std::nullopt;
  return static_cast<TextId>(kFirst + statusCode - 1);
}

std::string ProgressText(const TextTable& texts, int statusCode, std::string_view statusText) {
  // The connecting text is loaded with the others but never shown.
  if (statusCode == platform::kDownloadConnecting) return {};
  std::optional<TextId> id = DownloadStatusTextId(statusCode);
  if (!id) return {};
  std::string text = texts[*id];
  if (CarriesStatusText(statusCode)) text += " " + std::string(statusText);
  return text;
}

std::optional<std::string> LocalDownloadName(std::string_view urlOrPath) {
  size_t slash = urlOrPath.rfind('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::string_view name = urlOrPath.substr(slash + 1);
  if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(name);
}

std::string LocalDownloadPath(const std::string& name) {
  return platform::TempDir() + name;
}

std::string DownloadRequestUrl(const std::string& url) {
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count();
  return url + "?handle=" + std::to_string(static_cast<int32_t>(seconds));
}

std::string LegacyDownloadUrl(const std::string& server, const std::string& path) {
  return server + path;
}

void OnDownloadProgress(Host& host, int64_t progress, int64_t progressMax, bool& cancel,
                        const std::string& text, int statusCode) {
  MainState& state = host.state();
  if (!text.empty()) host.SetStatusText(text);
  if (statusCode == platform::kDownloadBegin) {
    host.SetGaugeMax(state.progressMode != kProgressSingleFile
                         ? ToGauge(int64_t{state.romProgressSize} + state.flashProgressSize)
                         : ToGauge(progressMax));
  } else if (statusCode == platform::kDownloadData) {
    host.SetGaugePos(state.progressMode == kProgressFlashShare
                         ? ToGauge(state.romProgressSize + progress)
                         : ToGauge(progress));
  }
  if (state.appClosing) cancel = true;
}

bool DownloadToFile(Host& host, const std::string& requestUrl, const std::string& localPath,
                    int64_t maxBytes, bool* tooLarge) {
  int lastStatus = 0;
  auto onProgress = [&](const platform::DownloadStatus& status) {
    std::string text = ProgressText(host.state().langText, status.statusCode, status.statusText);
    lastStatus = status.statusCode;
    bool cancel = false;
    OnDownloadProgress(host, status.progress, status.progressMax, cancel, text, status.statusCode);
    host.ProcessEvents();
    return cancel;
  };
  platform::DownloadOptions options;
  options.maxBytes = maxBytes;
  const DownloadBackend& backend = host.services().download;
  bool ok = backend
                ? backend(requestUrl, localPath, onProgress)
                : platform::DownloadToFile(requestUrl, localPath, onProgress, options, tooLarge);
  return ok && lastStatus == platform::kDownloadEnd;
}

std::string DownloadLegacyFile(Host& host, const std::string& server, const std::string& path,
                               int64_t maxBytes, bool* tooLarge) {
  std::optional<std::string> name = LocalDownloadName(path);
  if (!name) return {};
  std::string localPath = LocalDownloadPath(*name);
  if (!DownloadToFile(host, DownloadRequestUrl(LegacyDownloadUrl(server, path)), localPath,
                      maxBytes, tooLarge)) {
    return {};
  }
  return localPath;
}

FetchedFile DownloadRomFile(Host& host, const std::string& url, const std::string& digest,
                            int32_t length) {
  std::optional<std::string> name = LocalDownloadName(url);
  if (!name) return {FetchOutcome::kFailed, {}};
  std::string localPath = LocalDownloadPath(*name);
  // A file fetched by an earlier run is used again while it is still the one offered.
  if (CheckFileSize(localPath, length) == 0 && CheckFileMd5(localPath, digest) == 0) {
    return {FetchOutcome::kFetched, localPath};
  }
  // More bytes than offered can only fail the size check, so they are never taken.
  bool tooLarge = false;
  const bool fetched = DownloadToFile(host, DownloadRequestUrl(url), localPath,
                                      std::max<int64_t>(length, 0), &tooLarge);
  if (!tooLarge && (!fetched || !FileExists(localPath))) return {FetchOutcome::kFailed, {}};
  // A file that fails its checks is removed: under its final name a later run's reuse check or
  // the Local Upgrade page's file picker would meet an image nobody verified.
  if (tooLarge || CheckFileSize(localPath, length) != 0) {
    platform::RemoveFile(localPath);
    return {FetchOutcome::kWrongSize, {}};
  }
  if (CheckFileMd5(localPath, digest) != 0) {
    platform::RemoveFile(localPath);
    return {FetchOutcome::kWrongDigest, {}};
  }
  return {FetchOutcome::kFetched, localPath};
}

FetchOutcome DownloadFlashPart(Host& host, const std::string& url, const std::string& digest,
                               bool force, int32_t gaugeSize, std::string* localPath) {
  std::optional<std::string> name = LocalDownloadName(url);
  if (!name) return FetchOutcome::kFailed;
  std::string path = LocalDownloadPath(*name);
  if (!force && CheckFileMd5(path, digest) == 0) {
    *localPath = path;
    return FetchOutcome::kFetched;
  }
  MainState& state = host.state();
  state.flashProgressSize = gaugeSize;
  host.SetStatusText(host.Msg(TextId::MsgInfo4));
  if (state.progressMode != kProgressSingleFile) state.progressMode = kProgressFlashShare;
  if (!DownloadToFile(host, DownloadRequestUrl(url), path) || !FileExists(path)) {
    return FetchOutcome::kFailed;
  }
  if (CheckFileMd5(path, digest) != 0) {
    platform::RemoveFile(path);  // no unverified part under its final name
    return FetchOutcome::kWrongDigest;
  }
  *localPath = path;
  return FetchOutcome::kFetched;
}

}  // namespace vortik
