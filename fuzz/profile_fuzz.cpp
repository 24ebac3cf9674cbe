// The profile layer and the language table over a file of arbitrary bytes: reading it, reading
// every language through the table, and writing the language number, after which every other
// key must read as it did before.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "i18n/lang_table.h"
#include "platform/profile.h"

using vortik::fuzz::Check;
namespace platform = vortik::platform;

namespace {

// A few names the table reads, and names a mutated file may well contain.
const char* const kSections[] = {"set", "en", "de", "cn", "Lang", "x"};
const char* const kKeys[] = {"val", "LabelClear", "MsgError15", "EN", "a", "x"};

std::vector<std::string> Snapshot(const platform::ProfileFile& profile) {
  std::vector<std::string> values;
  for (const char* section : kSections) {
    for (const char* key : kKeys) {
      if (std::string(section) == "set" && std::string(key) == "val") continue;
      values.push_back(profile.GetString(section, key, "\x01" "absent"));
    }
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = vortik::fuzz::WriteScratch("lang.ini", data, size);
  platform::ProfileFile profile = platform::ProfileFile::Read(path);
  const std::vector<std::string> before = Snapshot(profile);
  profile.GetInt("set", "val", 2);

  vortik::LanguageTable table = vortik::LoadLanguageTable(path);
  Check(table.texts.size() == vortik::LangKeys().size(), "one text per key");

  if (platform::WriteProfileString(path, "set", "val", std::to_string(size % 13))) {
    platform::ProfileFile after = platform::ProfileFile::Read(path);
    Check(after.GetInt("set", "val", -1) == static_cast<int32_t>(size % 13), "number written");
    Check(Snapshot(after) == before, "other keys read as before");
  }
  return 0;
}
