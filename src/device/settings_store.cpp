#include "device/settings_store.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/folders.h"

namespace vortik {

namespace {
std::string Trim(const std::string& s) {
  size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return {};
  size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}
}  // namespace

bool SettingsStore::NoCase::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string SettingsStore::DefaultPath() {
  return platform::ConfigDir() + "/registry.ini";
}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

// Layout: "[KEY]" lines open a key; "Name=integer" lines below it hold its values.
bool SettingsStore::Load() {
  keys_.clear();
  std::ifstream in(path_);
  if (!in) return false;
  std::string current;
  bool haveKey = false;
  for (std::string line; std::getline(in, line);) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      current = line.substr(1, line.size() - 2);
      keys_[current];
      haveKey = true;
      continue;
    }
    size_t eq = line.find('=');
    if (!haveKey || eq == std::string::npos) continue;
    std::string name = Trim(line.substr(0, eq));
    std::string text = Trim(line.substr(eq + 1));
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (name.empty() || text.empty() || end == nullptr || *end != '\0') continue;
    keys_[current][name] = value;
  }
  return true;
}

bool SettingsStore::Save() const {
  std::filesystem::path file(path_);
  if (file.has_parent_path() && !platform::MakeDirs(file.parent_path().string())) return false;
  std::string temp = path_ + ".tmp";
  {
    std::ofstream out(temp, std::ios::trunc);
    if (!out) return false;
    for (const auto& [key, values] : keys_) {
      out << '[' << key << "]\n";
      for (const auto& [name, value] : values) out << name << '=' << value << '\n';
      out << '\n';
    }
    if (!out.flush()) return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path_, ec);
  return !ec;
}

bool SettingsStore::HasKey(const std::string& key) const {
  return keys_.count(key) != 0;
}

std::optional<int64_t> SettingsStore::Get(const std::string& key, const std::string& name) const {
  auto k = keys_.find(key);
  if (k == keys_.end()) return std::nullopt;
  auto v = k->second.find(name);
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

void SettingsStore::Set(const std::string& key, const std::string& name, int64_t value) {
  keys_[key][name] = value;
}

}  // namespace vortik
