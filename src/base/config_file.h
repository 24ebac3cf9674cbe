// The configuration every front end shares: built-in defaults (no server address), then
// vortik.conf in each folder of $XDG_CONFIG_DIRS (/etc/xdg when unset), then the user's
// $XDG_CONFIG_HOME/vortik/vortik.conf; a later file overrides an earlier one key by key, and
// command-line options override them all.
//
//   [servers]
//   update = https://HOST/PATH
//   legacy = https://HOST/PATH
//   feedback = https://HOST/PATH
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/app_config.h"

namespace vortik {

// The user's file: $XDG_CONFIG_HOME/vortik/vortik.conf (~/.config/vortik/vortik.conf).
std::string UserConfigFile();
// The files read, lowest precedence first: the $XDG_CONFIG_DIRS folders from last to first,
// then the user's file. Files that do not exist are listed too and simply read as empty.
std::vector<std::string> ConfigFilePaths();
// The same for given environment values (nullptr when unset).
std::vector<std::string> ConfigFilePathsFor(const char* xdgConfigDirs, const std::string& userFile);

// Takes the server addresses `path` sets. A value that is not an http:// or https:// address
// is left out and described in `problems` (file, key and why); a missing file sets nothing.
void ReadConfigFile(const std::string& path, AppConfig& config, std::vector<std::string>& problems);
// Every file of ConfigFilePaths over `config`.
void ReadConfigFiles(AppConfig& config, std::vector<std::string>& problems);

// An address a server option or key may take: "http://" or "https://" and a host, with no
// blank or control character. A trailing '/' is taken off by NormalizeServerAddress.
bool IsServerAddress(const std::string& text);
std::string NormalizeServerAddress(std::string text);

// `text` with "%1" replaced by the user's configuration file (the messages that say no server
// is set name the file to edit).
std::string WithConfigFile(std::string text);

// The configuration options every executable takes: --config FILE, then --update-server,
// --legacy-server and --feedback-server URL, applied in that order over the files.
struct ConfigOptions {
  std::string configFile;
  std::vector<std::pair<std::string AppConfig::*, std::string>> servers;  // normalized
};

// How TakeConfigOption read argv[i].
enum class OptionTaken { kNotOurs, kTaken, kUsageError };

// Takes argv[i] and its value (moving `i` past it) when it is one of the configuration options.
// A missing value or a server option that is not an http:// or https:// address is a usage
// error, described in `error` as "<what is wrong>" (the caller adds its name).
OptionTaken TakeConfigOption(int argc, const char* const* argv, int& i, const std::string& name,
                             ConfigOptions& options, std::string& error);

// Reads the configuration files into `config` when `readConfigFiles` is set, then the file of
// --config, then the server options. A problem inside a file is added to `problems` and the
// value left out; a --config file that cannot be read is false with `error` set.
bool ApplyConfigOptions(const ConfigOptions& options, bool readConfigFiles, AppConfig& config,
                        std::vector<std::string>& problems, std::string& error);

}  // namespace vortik
