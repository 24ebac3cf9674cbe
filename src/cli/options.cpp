#include "cli/options.h"

#include <cstdlib>
#include <cstring>

#include "cli/exit_codes.h"
#include "feedback/feedback.h"

namespace vortik::cli {

namespace {

struct CommandEntry {
  const char* name;
  Command command;
};
constexpr CommandEntry kCommands[] = {
    {"devices", Command::kDevices}, {"info", Command::kInfo},
    {"update", Command::kUpdate},   {"flash", Command::kFlash},
    {"id", Command::kId},           {"dtc", Command::kDtc},
    {"listen", Command::kListen},   {"feedback", Command::kFeedback},
    {"history", Command::kHistory},
};

bool IsKnownFeedbackKey(const std::string& key) {
  for (const FeedbackField& field : FeedbackFields()) {
    if (key == field.bodyKey) return true;
  }
  return false;
}

// Reads the value of the option at argv[i] into `value`, moving `i` on.
bool TakeValue(int argc, const char* const* argv, int& i, std::string& value, std::string& error) {
  if (i + 1 >= argc) {
    error = std::string(argv[i]) + " needs a value (see vortik-cli --help)";
    return false;
  }
  value = argv[++i];
  return true;
}

bool ParseCommandOption(int argc, const char* const* argv, int& i, Options& o, std::string& error) {
  const std::string arg = argv[i];
  const auto is = [&](const char* name, Command command) {
    return o.command == command && arg == name;
  };
  if (is("--check", Command::kUpdate)) return o.check = true;
  if (is("--yes", Command::kUpdate)) return o.yes = true;
  if (is("--product", Command::kUpdate)) return TakeValue(argc, argv, i, o.product, error);
  if (is("--language", Command::kUpdate)) return TakeValue(argc, argv, i, o.language, error);
  if (is("--rom", Command::kFlash)) return TakeValue(argc, argv, i, o.rom, error);
  if (is("--flash", Command::kFlash)) return TakeValue(argc, argv, i, o.flash, error);
  if (is("--logo", Command::kFlash)) return TakeValue(argc, argv, i, o.logo, error);
  if (is("--set", Command::kId)) {
    o.setId = true;
    return TakeValue(argc, argv, i, o.id, error);
  }
  if (is("--report", Command::kListen)) return TakeValue(argc, argv, i, o.reportFile, error);
  if (is("--capture", Command::kListen)) return TakeValue(argc, argv, i, o.captureFile, error);
  if (is("--seconds", Command::kListen)) {
    std::string value;
    if (!TakeValue(argc, argv, i, value, error)) return false;
    char* end = nullptr;
    const long seconds = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || seconds < 1 || seconds > 86400L * 365) {
      error = "--seconds \"" + value + "\" is not a number of seconds from 1";
      return false;
    }
    o.seconds = static_cast<int>(seconds);
    return true;
  }
  if (is("--field", Command::kFeedback)) {
    std::string value;
    if (!TakeValue(argc, argv, i, value, error)) return false;
    const size_t equals = value.find('=');
    const std::string key = value.substr(0, equals);
    if (equals == std::string::npos || !IsKnownFeedbackKey(key)) {
      error = "--field \"" + value + "\" is not KEY=VALUE with a key of the form (see --help)";
      return false;
    }
    for (const auto& [given, unused] : o.fields) {
      if (given == key) {
        error = "--field " + key + " is given twice";
        return false;
      }
    }
    o.fields.emplace_back(key, value.substr(equals + 1));
    return true;
  }
  error = "unknown option " + arg + " for " + CommandName(o.command) + " (see vortik-cli --help)";
  return false;
}

}  // namespace

const char* CommandName(Command command) {
  for (const CommandEntry& entry : kCommands) {
    if (entry.command == command) return entry.name;
  }
  return "vortik-cli";
}

bool ParseOptions(int argc, const char* const* argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (o.command == Command::kNone) {
      if (arg == "--help" || arg == "-h") {
        o.command = Command::kHelp;
        continue;
      }
      if (arg == "--version") {
        o.command = Command::kVersion;
        continue;
      }
      if (arg == "--json") {
        o.json = true;
        continue;
      }
      if (arg == "--quiet" || arg == "-q") {
        o.quiet = true;
        continue;
      }
      if (arg == "--port") {
        if (!TakeValue(argc, argv, i, o.port, error)) return false;
        continue;
      }
      const OptionTaken taken = TakeConfigOption(argc, argv, i, "vortik-cli", o.config, error);
      if (taken == OptionTaken::kUsageError) return false;
      if (taken == OptionTaken::kTaken) continue;
      if (arg.starts_with("-")) {
        error = "unknown option " + arg + " (see vortik-cli --help)";
        return false;
      }
      for (const CommandEntry& entry : kCommands) {
        if (arg == entry.name) o.command = entry.command;
      }
      if (o.command == Command::kNone) {
        error = "unknown command \"" + arg + "\" (see vortik-cli --help)";
        return false;
      }
      continue;
    }
    if (o.command == Command::kHelp || o.command == Command::kVersion) continue;
    if (arg.starts_with("--")) {
      if (!ParseCommandOption(argc, argv, i, o, error)) return false;
      continue;
    }
    if (o.command == Command::kDtc && o.dtcText.empty()) {
      o.dtcText = arg;
      continue;
    }
    error = "unexpected argument \"" + arg + "\" for " + CommandName(o.command);
    return false;
  }
  switch (o.command) {
    case Command::kNone:
      error = "no command given (see vortik-cli --help)";
      return false;
    case Command::kDtc:
      if (o.dtcText.empty()) {
        error = "dtc needs the text to search for";
        return false;
      }
      break;
    case Command::kFlash:
      if (o.rom.empty() && o.flash.empty() && o.logo.empty()) {
        error = "flash needs at least one of --rom, --flash, --logo";
        return false;
      }
      break;
    case Command::kFeedback:
      if (o.fields.empty()) {
        error = "feedback needs its fields as --field KEY=VALUE";
        return false;
      }
      break;
    case Command::kUpdate:
      if (o.check && o.yes) {
        error = "update --check burns nothing, so --yes has no place beside it";
        return false;
      }
      break;
    default:
      break;
  }
  return true;
}

std::string HelpText() {
  std::string text =
      "Usage: vortik-cli [--port PATH] [--config FILE] [--update-server URL]\n"
      "                  [--legacy-server URL] [--feedback-server URL] [--json] [--quiet]\n"
      "                  COMMAND [ARGS]\n"
      "\n"
      "Every job of the VORTIK window for the OBD-II Scan Tool, from the command line.\n"
      "\n"
      "Commands:\n"
      "  devices                       the tools found by USB id (1A86:FE0C): port, and, when\n"
      "                                the tool answers, type, subtype, ROM and FLASH\n"
      "                                versions, ID\n"
      "  info                          the device information of the tool (one tool found,\n"
      "                                or --port)\n"
      "  update [--check] [--yes] [--product CODE] [--language CODE]\n"
      "                                the internet upgrade of the window's \"Check Update\";\n"
      "                                --check asks the server and reports what would come,\n"
      "                                burning nothing; --yes burns without asking\n"
      "  flash [--rom FILE] [--flash FILE] [--logo FILE]\n"
      "                                the local upgrade of the Local Upgrade page\n"
      "  id [--set ID]                 query or set the device ID (12 digits)\n"
      "  dtc TEXT                      search the trouble-code table as the DTC page does\n"
      "  listen [--report FILE] [--capture FILE.csv] [--seconds N]\n"
      "                                the Print page's receiver: reports the tool pushes, in\n"
      "                                colour on a terminal, captures written as CSV; runs\n"
      "                                for N seconds or until Ctrl-C (exit 0 either way)\n"
      "  feedback --field KEY=VALUE ...\n"
      "                                the feedback form; keys:";
  const std::string historyLine =
      "\n  history                       every upgrade and local flash recorded, newest first\n"
      "                                (update and flash record theirs; update --check does not)";
  for (const FeedbackField& field : FeedbackFields()) {
    text += std::string(" ") + field.bodyKey;
  }
  text += historyLine;
  text +=
      "\n"
      "\n"
      "Options:\n"
      "  --port PATH             the tool's serial device; no discovery\n"
      "  --config FILE           read FILE after the configuration files\n"
      "  --update-server URL     the update server (http:// or https://)\n"
      "  --legacy-server URL     the legacy update server\n"
      "  --feedback-server URL   the feedback server\n"
      "  --json                  one JSON object on stdout for every exit, nothing else there\n"
      "  --quiet                 no progress bars and no message when all went well\n"
      "  --help, --version\n"
      "\n"
      "Server addresses come from the [servers] section of vortik.conf in $XDG_CONFIG_DIRS\n"
      "(/etc/xdg/vortik/) and $XDG_CONFIG_HOME (~/.config/vortik/), then from the options.\n"
      "None is built in. Messages follow the language chosen in the window, else $LANG.\n"
      "\n";
  text += kExitCodeHelp;
  return text;
}

}  // namespace vortik::cli
