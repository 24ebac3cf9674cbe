// Reading the update server's JSON replies: an owned document and typed member look-ups that
// give null for a missing member or one of another type.
#pragma once

#include <cjson/cJSON.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vortik {

struct JsonDelete {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonDoc = std::unique_ptr<cJSON, JsonDelete>;

// The parsed reply, or null when it is not JSON.
JsonDoc ParseJson(std::string_view text);

// A member (name matched in any letter case) of the given type; null when missing or other.
const char* StringMember(const cJSON* object, const char* name);
const cJSON* ObjectMember(const cJSON* object, const char* name);
const cJSON* ArrayMember(const cJSON* object, const char* name);

// The string elements of a JSON array, in order: at most `most` of them, each of at most
// `longest` characters (longer ones and non-strings are left out).
std::vector<std::string> StringElements(const cJSON* array, size_t longest, size_t most);

}  // namespace vortik
