#include "base/config_file.h"

#include <cstdlib>
#include <cstring>

#include "platform/file_ops.h"
#include "platform/folders.h"
#include "platform/profile.h"

namespace vortik {

namespace {

constexpr const char* kConfigName = "/vortik/vortik.conf";
constexpr const char* kServersSection = "servers";

struct ServerKey {
  const char* key;
  std::string AppConfig::*field;
};
constexpr ServerKey kServerKeys[] = {{"update", &AppConfig::updateServer},
                                     {"legacy", &AppConfig::legacyServer},
                                     {"feedback", &AppConfig::feedbackServer}};

}  // namespace

std::string UserConfigFile() {
  return platform::ConfigDir() + "/vortik.conf";
}

std::vector<std::string> ConfigFilePathsFor(const char* xdgConfigDirs,
                                            const std::string& userFile) {
  std::vector<std::string> folders;
  const std::string dirs =
      xdgConfigDirs != nullptr && xdgConfigDirs[0] != '\0' ? xdgConfigDirs : "/etc/xdg";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t colon = dirs.find(':', start);
    if (colon == std::string::npos) colon = dirs.size();
    std::string folder = dirs.substr(start, colon - start);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // Relative entries are ignored, as the XDG rules ask.
    if (!folder.empty() && folder[0] == '/') folders.push_back(folder);
    start = colon + 1;
  }
  std::vector<std::string> paths;
  // The first folder of $XDG_CONFIG_DIRS is the most important one, so it is read last.
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) paths.push_back(*it + kConfigName);
  paths.push_back(userFile);
  return paths;
}

std::vector<std::string> ConfigFilePaths() {
  return ConfigFilePathsFor(std::getenv("XDG_CONFIG_DIRS"), UserConfigFile());
}

bool IsServerAddress(const std::string& text) {
  size_t host = 0;
  if (text.rfind("http://", 0) == 0) {
    host = 7;
  } else if (text.rfind("https://", 0) == 0) {
    host = 8;
  } else {
    return false;
  }
  if (text.size() <= host || text[host] == '/') return false;
  for (char c : text) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string NormalizeServerAddress(std::string text) {
  while (!text.empty() && text.back() == '/') text.pop_back();
  return text;
}

void ReadConfigFile(const std::string& path, AppConfig& config,
                    std::vector<std::string>& problems) {
  const platform::ProfileFile file = platform::ProfileFile::Read(path);
  if (!file.loaded()) return;
  for (const ServerKey& server : kServerKeys) {
    const std::optional<std::string> value = file.Find(kServersSection, server.key);
    if (!value) continue;
    if (value->empty()) {
      // An empty value unsets an address a system file gave.
      (config.*server.field).clear();
    } else if (IsServerAddress(*value)) {
      config.*server.field = NormalizeServerAddress(*value);
    } else {
      problems.push_back(path + ": [servers] " + server.key + " = \"" + *value +
                         "\" is not an http:// or https:// address; it is ignored");
    }
  }
}

void ReadConfigFiles(AppConfig& config, std::vector<std::string>& problems) {
  for (const std::string& path : ConfigFilePaths()) ReadConfigFile(path, config, problems);
}

std::string WithConfigFile(std::string text) {
  const size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, UserConfigFile());
  return text;
}

OptionTaken TakeConfigOption(int argc, const char* const* argv, int& i, const std::string& name,
                             ConfigOptions& options, std::string& error) {
  struct ServerOption {
    const char* option;
    std::string AppConfig::*field;
  };
  static constexpr ServerOption kServerOptions[] = {
      {"--update-server", &AppConfig::updateServer},
      {"--legacy-server", &AppConfig::legacyServer},
      {"--feedback-server", &AppConfig::feedbackServer}};
  const char* arg = argv[i];
  const ServerOption* server = nullptr;
  for (const ServerOption& known : kServerOptions) {
    if (std::strcmp(arg, known.option) == 0) server = &known;
  }
  if (server == nullptr && std::strcmp(arg, "--config") != 0) return OptionTaken::kNotOurs;
  if (i + 1 >= argc) {
    error = std::string(arg) + " needs a value (see " + name + " --help)";
    return OptionTaken::kUsageError;
  }
  const std::string value = argv[++i];
  if (server == nullptr) {
    options.configFile = value;
  } else if (!IsServerAddress(value)) {
    error = std::string(arg) + " \"" + value + "\" is not an http:// or https:// address";
    return OptionTaken::kUsageError;
  } else {
    options.servers.emplace_back(server->field, NormalizeServerAddress(value));
  }
  return OptionTaken::kTaken;
}

bool ApplyConfigOptions(const ConfigOptions& options, bool readConfigFiles, AppConfig& config,
                        std::vector<std::string>& problems, std::string& error) {
  if (readConfigFiles) ReadConfigFiles(config, problems);
  if (!options.configFile.empty()) {
    if (platform::FileSize(options.configFile) < 0) {
      error = "the configuration file " + options.configFile + " cannot be read";
      return false;
    }
    ReadConfigFile(options.configFile, config, problems);
  }
  for (const auto& [field, value] : options.servers) config.*field = value;
  return true;
}

}  // namespace vortik
