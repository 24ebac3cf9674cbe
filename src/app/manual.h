// The manual browser's documents: where the manual folder is, and which of its files are
// listed in what order.
#pragma once

#include <string>
#include <vector>

namespace vortik {

// The documents of `folder`: regular files (a symbolic link counts as what it points to) whose
// name does not start with '.', ordered by name without regard to ASCII letter case (ties by
// bytes). Sub-folders and anything else are left out; a missing folder lists nothing.
std::vector<std::string> ListManualDocuments(const std::string& folder);

// The folder the manual is read from, ending with '/': the first "manual/" of the data folders
// (beside the executable, then the installed data folder). Empty when none exists.
std::string FindManualFolder();

}  // namespace vortik
