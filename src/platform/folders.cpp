#include "platform/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace vortik::platform {

std::string ConfigDir() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/vortik";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config/vortik";
}

std::string StateDir() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/vortik";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/state/vortik";
}

std::string TempDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = (tmp != nullptr && tmp[0] != '\0') ? tmp : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::string SelfExecutable() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string ExecutableDir() {
  std::string exe = SelfExecutable();
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return "./";
  return exe.substr(0, slash + 1);
}

bool MakeDirs(const std::string& path) {
  if (path.empty()) return false;
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      std::string part = path.substr(0, pos);
      if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

// "/usr/bin/../share/vortik/" -> "/usr/share/vortik/": removes "." and ".." steps by their text
// (the executable's path is already free of links), keeping the trailing '/'.
std::string LexicallyNormal(const std::string& path) {
  std::vector<std::string_view> parts;
  std::string_view rest(path);
  while (!rest.empty()) {
    const size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == ".." && !parts.empty() && parts.back() != "..") {
      parts.pop_back();
      continue;
    }
    if (part == ".." && path[0] == '/') continue;  // "/.." is "/"
    parts.push_back(part);
  }
  std::string out = path[0] == '/' ? "/" : "";
  for (std::string_view part : parts) {
    out += part;
    out += '/';
  }
  return out.empty() ? "./" : out;
}

void AddFolder(std::vector<std::string>* dirs, const std::string& folder) {
  if (folder.empty()) return;
  std::string dir = LexicallyNormal(folder + "/");
  for (const std::string& known : *dirs) {
    if (known == dir) return;
  }
  dirs->push_back(std::move(dir));
}

bool IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

struct stat StatOf(const std::string& path, bool* exists) {
  struct stat st {};
  *exists = stat(path.c_str(), &st) == 0;
  return st;
}

}  // namespace

std::vector<std::string> DataDirsFor(const std::string& exeDir, const char* xdgDataHome,
                                     const char* home, const char* xdgDataDirs) {
  std::vector<std::string> dirs;
  AddFolder(&dirs, exeDir);
  if (!exeDir.empty()) AddFolder(&dirs, exeDir + "/../share/vortik");
  if (IsAbsolute(xdgDataHome)) {
    AddFolder(&dirs, std::string(xdgDataHome) + "/vortik");
  } else if (IsAbsolute(home)) {
    AddFolder(&dirs, std::string(home) + "/.local/share/vortik");
  }
  const std::string list = xdgDataDirs != nullptr && xdgDataDirs[0] != '\0'
                               ? xdgDataDirs
                               : "/usr/local/share/:/usr/share/";
  size_t start = 0;
  while (start <= list.size()) {
    size_t colon = list.find(':', start);
    if (colon == std::string::npos) colon = list.size();
    const std::string entry = list.substr(start, colon - start);
    if (IsAbsolute(entry.c_str())) AddFolder(&dirs, entry + "/vortik");
    start = colon + 1;
  }
  return dirs;
}

std::vector<std::string> DataDirs() {
  return DataDirsFor(ExecutableDir(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
                     std::getenv("XDG_DATA_DIRS"));
}

std::string FindDataFile(const std::string& relative) {
  if (relative.empty()) return {};
  for (const std::string& dir : DataDirs()) {
    bool exists = false;
    std::string path = dir + relative;
    const struct stat st = StatOf(path, &exists);
    if (exists && S_ISREG(st.st_mode)) return path;
  }
  return {};
}

std::string FindDataFolder(const std::string& relative) {
  if (relative.empty()) return {};
  for (const std::string& dir : DataDirs()) {
    bool exists = false;
    std::string path = dir + relative;
    const struct stat st = StatOf(path, &exists);
    if (!exists || !S_ISDIR(st.st_mode)) continue;
    if (path.back() != '/') path += '/';
    return path;
  }
  return {};
}

}  // namespace vortik::platform
