// The application's entry sequence: create the forms, run the loop, restart when asked.
#pragma once

#include <memory>

#include "base/app_config.h"

namespace vortik {

class TFormMain;

// Runs the program with the entry's `config` (servers, demo switches), completed by the
// configuration files when `readConfigFiles` is set, and by the command line's options.
int RunApplication(int argc, char** argv, AppConfig config, bool readConfigFiles);

// What the program builds before its window first shows, in a running QApplication: the
// application's names and fonts, the main window, and the three dialogs bound to be made on
// first use (they are children of the main window from then on). `config` goes to the window.
std::unique_ptr<TFormMain> BuildApplicationWindow(const AppConfig& config = {});

}  // namespace vortik
