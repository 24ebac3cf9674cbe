// The application's entry sequence: create the forms, run the loop, restart when asked.
#pragma once

#include <memory>

namespace vortik {

class TFormMain;

int RunApplication(int argc, char** argv);

// What the program builds before its window first shows, in a running QApplication: the
// application's names and fonts, the main window, and the three dialogs bound to be made on
// first use (they are children of the main window from then on).
std::unique_ptr<TFormMain> BuildApplicationWindow();

}  // namespace vortik
