#include "platform/folder_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

namespace vortik::platform {

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return entries;
  const int dirFd = dirfd(dir.get());
  while (const dirent* e = readdir(dir.get())) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    FolderEntry entry;
    entry.name = e->d_name;
    struct stat st {};
    if (fstatat(dirFd, e->d_name, &st, 0) == 0) {
      if (S_ISREG(st.st_mode)) {
        entry.kind = FolderEntry::Kind::kRegularFile;
      } else if (S_ISDIR(st.st_mode)) {
        entry.kind = FolderEntry::Kind::kFolder;
      }
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace vortik::platform
