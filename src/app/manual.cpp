#include "app/manual.h"

#include <algorithm>

#include "platform/folder_list.h"
#include "platform/folders.h"

namespace vortik {

namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NameBefore(const std::string& a, const std::string& b) {
  const bool folded =
      std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                   [](char x, char y) { return AsciiLower(x) < AsciiLower(y); });
  if (folded) return true;
  const bool foldedAfter =
      std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                   [](char x, char y) { return AsciiLower(x) < AsciiLower(y); });
  return !foldedAfter && a < b;
}

}  // namespace

std::vector<std::string> ListManualDocuments(const std::string& folder) {
  std::vector<std::string> names;
  for (const platform::FolderEntry& e : platform::ListFolder(folder)) {
    if (e.kind == platform::FolderEntry::Kind::kRegularFile && e.name.front() != '.') {
      names.push_back(e.name);
    }
  }
  std::sort(names.begin(), names.end(), NameBefore);
  return names;
}

std::string FindManualFolder() {
  return platform::FindDataFolder("manual");
}

}  // namespace vortik
