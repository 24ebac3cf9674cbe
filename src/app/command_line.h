// The few options the executables read before any window exists.
#pragma once

#include <cstdio>
#include <optional>

namespace vortik {

// Handles --help and --version (text to `out`, exit code 0) and refuses any other argument
// that starts with "--" (a message to `err`, exit code 2). Nothing (run the window) for no
// arguments or for Qt's own single-dash options.
std::optional<int> HandleCommandLine(int argc, const char* const* argv, std::FILE* out,
                                     std::FILE* err);

}  // namespace vortik
