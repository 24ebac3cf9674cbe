// A fresh folder under $TMPDIR (or /tmp) for one test, removed with its contents when the object
// goes away: the one temporary-folder helper of the tests.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace vortik::test {

class ScopedTempDir {
 public:
  ScopedTempDir() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/vortik-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScopedTempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }  // ends without '/'; empty when not made
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace vortik::test
