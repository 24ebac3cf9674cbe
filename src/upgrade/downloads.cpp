#include "upgrade/downloads.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <utility>

#include "app/app_config.h"
#include "i18n/msg.h"
#include "platform/file_ops.h"
#include "platform/folders.h"
#include "upgrade/md5_check.h"

namespace vortik {

namespace {

enum class Shown {
  kNothing,   // the text is loaded but not shown
  kText,      // the text alone
  kWithInfo,  // the text, a space and the status text of the report
};

struct ProgressEntry {
  const char* key;
  const char* english;
  Shown shown;
};

// Indexed by status code - 1.
constexpr ProgressEntry kProgressTexts[kProgressTextCount] = {
    {"MsgInfo12", "Finding resource", Shown::kWithInfo},
    {"MsgInfo13", "Connecting to", Shown::kNothing},
    {"MsgInfo14", "Redirecting...", Shown::kText},
    {"MsgInfo15", "Start to download", Shown::kWithInfo},
    {"MsgInfo16", "Downloading files from internet...", Shown::kText},
    {"MsgInfo17", "Complete downloading", Shown::kWithInfo},
    {"MsgInfo18", "Start to download components", Shown::kText},
    {"MsgInfo19", "Installing components...", Shown::kText},
    {"MsgInfo20", "Complete downloading components", Shown::kText},
    {"MsgInfo21", "Copying form buffer...", Shown::kText},
    {"MsgInfo22", "Sending request...", Shown::kText},
    {"MsgInfo23", "Class ID is available", Shown::kText},
    {"MsgInfo24", "MIME type is available", Shown::kText},
    {"MsgInfo25", "Cache file name is available", Shown::kText},
    {"MsgInfo26", "Start sync operation", Shown::kText},
    {"MsgInfo27", "Complete sync operation", Shown::kText},
    {"MsgInfo28", "Start to upload data", Shown::kText},
    {"MsgInfo29", "Uploading data", Shown::kText},
    {"MsgInfo30", "Complete Uploading data", Shown::kText},
    {"MsgInfo31", "Protocol class ID is available", Shown::kText},
    {"MsgInfo32", "Encoding...", Shown::kText},
    {"MsgInfo33", "Verified MIME is available", Shown::kText},
    {"MsgInfo34", "Class install location", Shown::kText},
    {"MsgInfo35", "Decoding...", Shown::kText},
    {"MsgInfo36", "Loading MIME handler", Shown::kText},
    {"MsgInfo37", "Content disposition attach", Shown::kText},
    {"MsgInfo38", "Filter report MIME type", Shown::kText},
    {"MsgInfo39", "Clsid can instantiate", Shown::kText},
    {"MsgInfo40", "Unknown available", Shown::kText},
    {"MsgInfo41", "Direct bind", Shown::kText},
    {"MsgInfo42", "MIME type of the resource, before any code sniffing is done", Shown::kText},
    {"MsgInfo43", "Detecting proxy...", Shown::kText},
    {"MsgInfo44", "Valid types of range requests for a resource", Shown::kText},
};

constexpr int kStatusEndDownload = 6;

DownloadBackend& Backend() {
  static DownloadBackend backend;
  return backend;
}

int ToGauge(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

void ShowRomFailure(Host& host) {
  host.ShowMessage(Msg("MsgError18", "Fail to download rom upgrade files!"));
}

void ShowFlashFailure(Host& host) {
  host.ShowMessage(Msg("MsgError19", "Fail to download flash DTC files!"));
}

bool FileExists(const std::string& path) {
  return platform::FileSize(path) >= 0;
}

}  // namespace

std::string ProgressText(int statusCode, std::string_view statusText) {
  if (statusCode < 1 || statusCode > kProgressTextCount) return {};
  const ProgressEntry& entry = kProgressTexts[statusCode - 1];
  switch (entry.shown) {
    case Shown::kNothing:
      return {};
    case Shown::kText:
      return Msg(entry.key, entry.english);
    case Shown::kWithInfo:
      return Msg(entry.key, entry.english) + " " + std::string(statusText);
  }
  return {};
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

std::string LegacyDownloadUrl(const std::string& path) {
  return Config().legacyServer + path;
}

void OnDownloadProgress(Host& host, int64_t progress, int64_t progressMax, bool& cancel,
                        const std::string& text, int statusCode) {
  MainState& state = host.state();
  if (!text.empty()) host.SetStatusText(text);
  if (statusCode == platform::kDownloadBegin) {
    host.SetGaugeMax(state.progressMode != 0
                         ? ToGauge(int64_t{state.romProgressSize} + state.flashProgressSize)
                         : ToGauge(progressMax));
  } else if (statusCode == platform::kDownloadData) {
    host.SetGaugePos(state.progressMode == 2 ? ToGauge(state.romProgressSize + progress)
                                             : ToGauge(progress));
  }
  if (state.appClosing) cancel = true;
}

bool DownloadToFile(Host& host, const std::string& requestUrl, const std::string& localPath) {
  int lastStatus = 0;
  auto onProgress = [&](const platform::DownloadStatus& status) {
    std::string text = ProgressText(status.statusCode, status.statusText);
    lastStatus = status.statusCode;
    bool cancel = false;
    OnDownloadProgress(host, status.progress, status.progressMax, cancel, text, status.statusCode);
    host.ProcessEvents();
    return cancel;
  };
  bool ok = Backend() ? Backend()(requestUrl, localPath, onProgress)
                      : platform::DownloadToFile(requestUrl, localPath, onProgress);
  return ok && lastStatus == kStatusEndDownload;
}

void SetDownloadBackend(DownloadBackend backend) {
  Backend() = std::move(backend);
}

std::string DownloadLegacyFile(Host& host, const std::string& path) {
  std::optional<std::string> name = LocalDownloadName(path);
  if (!name) return {};
  std::string localPath = LocalDownloadPath(*name);
  if (!DownloadToFile(host, DownloadRequestUrl(LegacyDownloadUrl(path)), localPath)) return {};
  return localPath;
}

std::string DownloadRomFile(Host& host, const std::string& url, const std::string& digest,
                            int32_t length) {
  std::optional<std::string> name = LocalDownloadName(url);
  if (!name) {
    ShowRomFailure(host);
    return {};
  }
  std::string localPath = LocalDownloadPath(*name);
  // A file fetched by an earlier run is used again while it is still the one offered.
  if (CheckFileSize(localPath, length) == 0 && CheckFileMd5(localPath, digest) == 0) {
    return localPath;
  }
  if (!DownloadToFile(host, DownloadRequestUrl(url), localPath) || !FileExists(localPath)) {
    ShowRomFailure(host);
    return {};
  }
  if (CheckFileSize(localPath, length) != 0) {
    host.ShowMessage(Msg("MsgError27", "check rom file size failure, please update again!"));
    return {};
  }
  if (CheckFileMd5(localPath, digest) != 0) {
    host.ShowMessage(Msg("MsgError28", "check rom file MD5 failure, please update again!"));
    return {};
  }
  return localPath;
}

bool DownloadFlashPart(Host& host, const std::string& url, const std::string& digest, bool force,
                       int32_t gaugeSize, std::string* localPath) {
  std::optional<std::string> name = LocalDownloadName(url);
  if (!name) {
    ShowFlashFailure(host);
    return false;
  }
  std::string path = LocalDownloadPath(*name);
  if (!force && CheckFileMd5(path, digest) == 0) {
    *localPath = path;
    return true;
  }
  MainState& state = host.state();
  state.flashProgressSize = gaugeSize;
  host.SetStatusText(Msg("MsgInfo4", "Dowloading flash DTC files..."));
  if (state.progressMode != 0) state.progressMode = 2;
  if (!DownloadToFile(host, DownloadRequestUrl(url), path) || !FileExists(path)) {
    ShowFlashFailure(host);
    return false;
  }
  if (CheckFileMd5(path, digest) != 0) {
    host.ShowMessage(Msg("MsgError30", "check flash file MD5 failure, please update again!"));
    return false;
  }
  *localPath = path;
  return true;
}

}  // namespace vortik
