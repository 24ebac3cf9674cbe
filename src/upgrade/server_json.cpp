#include "upgrade/server_json.h"

namespace vortik {

JsonDoc ParseJson(std::string_view text) {
  return JsonDoc(cJSON_ParseWithLength(text.data(), text.size()));
}

const char* StringMember(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItem(object, name);
  return cJSON_IsString(item) && item->valuestring != nullptr ? item->valuestring : nullptr;
}

const cJSON* ObjectMember(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItem(object, name);
  return cJSON_IsObject(item) ? item : nullptr;
}

const cJSON* ArrayMember(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItem(object, name);
  return cJSON_IsArray(item) ? item : nullptr;
}

std::vector<std::string> StringElements(const cJSON* array, size_t longest, size_t most) {
  std::vector<std::string> out;
  const cJSON* item = nullptr;
  cJSON_ArrayForEach(item, array) {
    if (out.size() == most) break;
    if (!cJSON_IsString(item) || item->valuestring == nullptr) continue;
    std::string_view text(item->valuestring);
    if (text.size() <= longest) out.emplace_back(text);
  }
  return out;
}

}  // namespace vortik
