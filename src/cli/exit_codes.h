// The command line's exit codes, and the one table that gives every outcome of the internet
// upgrade its exit code and its stable name (the "outcome" of --json).
#pragma once

#include <span>

#include "upgrade/internet_upgrade.h"

namespace vortik::cli {

enum ExitCode : int {
  kExitDone = 0,          // done, "nothing newer" included
  kExitToolFailed = 1,    // the tool did not answer or refused, a burn failed
  kExitUsage = 2,         // the command line, a file given or a field is wrong
  kExitNoTool = 3,        // no tool found
  kExitServerFailed = 4,  // the server or the network failed, or no server address is set
  kExitCheckFailed = 5,   // a download failed its size, digest or part-table check
  kExitChoiceNeeded = 6,  // a choice is needed and there is no terminal to ask on
  kExitInterrupted = 7,   // Ctrl-C (or SIGTERM)
  kExitNewer = 10,        // update --check: something newer is offered
};

struct UpgradeExit {
  InternetUpgradeOutcome outcome;
  const char* name;
  ExitCode code;
};

// Every outcome of the internet upgrade, once.
std::span<const UpgradeExit> UpgradeExitTable();
const UpgradeExit& UpgradeExitOf(InternetUpgradeOutcome outcome);

// The exit of a whole run: the first outcome shown whose code is not 0 (a refused ROM size is
// shown before the FLASH burn that follows it), else how the run ended.
const UpgradeExit& UpgradeRunExit(const InternetUpgradeReport& report);

// The exit-code section of --help and of the man page.
extern const char kExitCodeHelp[];

}  // namespace vortik::cli
