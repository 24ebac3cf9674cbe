// Listing a folder: the names of its entries with what each one is.
#pragma once

#include <string>
#include <vector>

namespace vortik::platform {

struct FolderEntry {
  enum class Kind { kRegularFile, kFolder, kOther };
  std::string name;          // bare name, never "." or ".."
  Kind kind = Kind::kOther;  // after following symbolic links; a dangling link is kOther
};

// The entries of `folder` in the order the file system gives them; empty when the folder
// cannot be opened.
std::vector<FolderEntry> ListFolder(const std::string& folder);

}  // namespace vortik::platform
