// The few options the executables read before any window exists.
#pragma once

#include <cstdio>
#include <optional>

#include "base/app_config.h"
#include "base/config_file.h"

namespace vortik {

// Handles --help and --version (text to `out`, exit code 0). Reads the configuration into
// `config`: the configuration files when `readConfigFiles` is set (the demo keeps its own
// servers), then the file of --config FILE, then --update-server, --legacy-server and
// --feedback-server URL. A problem in a file is told on `err` and the value left out; a server
// option that is not an http:// or https:// address, an option without its value, or any other
// argument that starts with "--" is a usage error (a message to `err`, exit code 2). Nothing
// (run the window) otherwise; Qt's own single-dash options are left to Qt.
std::optional<int> HandleCommandLine(int argc, const char* const* argv, std::FILE* out,
                                     std::FILE* err, AppConfig& config, bool readConfigFiles);

}  // namespace vortik
