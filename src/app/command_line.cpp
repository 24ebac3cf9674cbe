#include "app/command_line.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/config_file.h"

namespace vortik {

namespace {

std::string ProgramName(const char* argv0) {
  if (argv0 == nullptr || argv0[0] == '\0') return "vortik";
  const char* slash = std::strrchr(argv0, '/');
  return slash != nullptr ? slash + 1 : argv0;
}

void PrintHelp(std::FILE* out, const std::string& name) {
  std::fprintf(out,
               "Usage: %s [--config FILE] [--update-server URL] [--legacy-server URL]\n"
               "       [--feedback-server URL] | --help | --version\n"
               "\n"
               "Opens the window of VORTIK, the companion of the OBD-II Scan Tool: it finds the\n"
               "tool on USB (1A86:FE0C), follows it being plugged in and out, and brings its\n"
               "firmware and data up to date from the update server.\n"
               "\n"
               "Options:\n"
               "  --config FILE           read FILE after the configuration files\n"
               "  --update-server URL     the update server (http:// or https://)\n"
               "  --legacy-server URL     the legacy update server\n"
               "  --feedback-server URL   the server the Feedback page sends to\n"
               "  --help                  print this text and exit\n"
               "  --version               print the version and exit\n"
               "\n"
               "The server addresses come from the [servers] section (keys update, legacy,\n"
               "feedback) of vortik.conf in each folder of $XDG_CONFIG_DIRS (/etc/xdg), then of\n"
               "$XDG_CONFIG_HOME/vortik/vortik.conf (~/.config/vortik/vortik.conf), then from\n"
               "the options above. None is built in: without one, nothing is sent.\n"
               "\n"
               "Data (lang.ini and the other shipped files) is looked for beside the program,\n"
               "then in ../share/vortik/ relative to it, then in $XDG_DATA_HOME/vortik/ and\n"
               "each folder of $XDG_DATA_DIRS. The chosen language is kept in\n"
               "$XDG_CONFIG_HOME/vortik/lang.ini (~/.config/vortik/lang.ini).\n",
               name.c_str());
}

}  // namespace

std::optional<int> HandleCommandLine(int argc, const char* const* argv, std::FILE* out,
                                     std::FILE* err, AppConfig& config, bool readConfigFiles) {
  const std::string name = ProgramName(argc > 0 ? argv[0] : nullptr);
  ConfigOptions options;
  std::string error;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      PrintHelp(out, name);
      return 0;
    }
    if (std::strcmp(arg, "--version") == 0) {
      std::fprintf(out, "%s %s\n", name.c_str(), VORTIK_VERSION);
      return 0;
    }
    const OptionTaken taken = TakeConfigOption(argc, argv, i, name, options, error);
    if (taken == OptionTaken::kTaken) continue;
    if (taken == OptionTaken::kUsageError) {
      std::fprintf(err, "%s: %s\n", name.c_str(), error.c_str());
      return 2;
    }
    if (std::strncmp(arg, "--", 2) == 0) {
      std::fprintf(err, "%s: unknown option %s (see %s --help)\n", name.c_str(), arg, name.c_str());
      return 2;
    }
  }
  std::vector<std::string> problems;
  if (!ApplyConfigOptions(options, readConfigFiles, config, problems, error)) {
    std::fprintf(err, "%s: %s\n", name.c_str(), error.c_str());
    return 2;
  }
  for (const std::string& problem : problems) {
    std::fprintf(err, "%s: %s\n", name.c_str(), problem.c_str());
  }
  return std::nullopt;
}

}  // namespace vortik
