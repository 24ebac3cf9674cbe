// The entry's end: the restart flag and what happens after the message loop.
#pragma once

#include <functional>

namespace vortik {

// Set by the language dialog; read once the message loop has ended.
bool& RestartRequested();

// Starts a new instance through `startNewInstance` when a restart was requested, exactly once,
// without waiting; returns the process exit code, which is 0 whether or not the start worked.
int FinishEntry(const std::function<bool()>& startNewInstance);

}  // namespace vortik
