// The services a front end builds and hands to the core's flows: how a product or language is
// picked, how files are fetched, which serial devices are present and where each run is
// recorded. The window, the command line and tests each build their own; nothing here is
// process-wide.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/upgrade_record.h"
#include "platform/device_enum.h"
#include "platform/download.h"

namespace vortik {

// Modal pickers: given what to show and the line to preselect, they give the line confirmed
// with OK, or nothing when the picker was closed without OK.
using LanguagePicker = std::function<std::optional<int>(
    const std::string& model, const std::vector<std::string>& languages, int preselected)>;
using CarTypePicker =
    std::function<std::optional<int>(const std::vector<std::string>& products, int preselected)>;

// The transfer behind a firmware download; tests play transfers that misbehave.
using DownloadBackend = std::function<bool(const std::string& url, const std::string& localPath,
                                           const platform::DownloadProgressHandler& onProgress)>;

struct Services {
  LanguagePicker pickLanguage;  // empty: the picker counts as closed without OK
  CarTypePicker pickCarType;
  DownloadBackend download;  // empty: libcurl
  // Present serial devices: libudev unless the front end lists others (the demo's link).
  std::shared_ptr<platform::DeviceLister> devices = std::make_shared<platform::UdevDeviceLister>();
  // Told the record of every internet upgrade and local flash once it has ended; empty keeps
  // no history (tests, unless they look at it).
  HistorySink recordHistory;
};

}  // namespace vortik
