// A small registry stand-in: integer values under keys such as "SOFTWARE\QUORVANE\X", kept in a
// key=value file. Key and value names compare without regard to letter case.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vortik {

class SettingsStore {
 public:
  // File of the serial component's settings under the user's configuration folder.
  static std::string DefaultPath();

  explicit SettingsStore(std::string path);

  // Reads the file; a missing or unreadable file is an empty store. False when unreadable.
  bool Load();
  // Writes the file (creating its folder); false on failure.
  bool Save() const;

  bool HasKey(const std::string& key) const;
  std::optional<int64_t> Get(const std::string& key, const std::string& name) const;
  void Set(const std::string& key, const std::string& name, int64_t value);

 private:
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  using Values = std::map<std::string, int64_t, NoCase>;

  std::string path_;
  std::map<std::string, Values, NoCase> keys_;
};

}  // namespace vortik
