// The command line of vortik-cli: global options, the command and its options.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/config_file.h"

namespace vortik::cli {

enum class Command {
  kNone,
  kHelp,
  kVersion,
  kDevices,
  kInfo,
  kUpdate,
  kFlash,
  kId,
  kDtc,
  kListen,
  kFeedback,
  kHistory
};

struct Options {
  // Global options.
  std::string port;  // --port PATH: the tool's serial device, no discovery
  ConfigOptions config;
  bool json = false;
  bool quiet = false;

  Command command = Command::kNone;
  // update
  bool check = false;
  bool yes = false;
  std::string product;
  std::string language;
  // flash: ROM, FLASH, LOGO in burn order; empty when not given
  std::string rom, flash, logo;
  // id
  bool setId = false;
  std::string id;
  // dtc
  std::string dtcText;
  // listen
  std::string reportFile, captureFile;
  int seconds = 0;  // 0: until interrupted
  // feedback: body key -> value, in the order given
  std::vector<std::pair<std::string, std::string>> fields;
};

// Reads argv. False with `error` set on a usage error (the caller adds the program's name).
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

// The command's name as typed, for messages.
const char* CommandName(Command command);

// The whole --help text.
std::string HelpText();

}  // namespace vortik::cli
