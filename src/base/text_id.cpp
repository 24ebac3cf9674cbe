#include "base/text_id.h"

#include <iterator>

#include "base/text_helpers.h"

namespace vortik {

namespace {

struct TextDef {
  const char* key;
  const char* english;
};

constexpr TextDef kTexts[] = {
#define VORTIK_TEXT(key, english) {#key, english},
#include "base/text_ids.inc"
#undef VORTIK_TEXT
};
static_assert(std::size(kTexts) == kTextCount);

}  // namespace

const char* TextKey(TextId id) {
  const auto i = static_cast<size_t>(id);
  return i < kTextCount ? kTexts[i].key : "";
}

const char* TextDefault(TextId id) {
  const auto i = static_cast<size_t>(id);
  return i < kTextCount ? kTexts[i].english : "";
}

std::optional<TextId> FindTextId(std::string_view key) {
  for (size_t i = 0; i < kTextCount; ++i) {
    if (EqualsNoCase(kTexts[i].key, key)) return static_cast<TextId>(i);
  }
  return std::nullopt;
}

std::array<TextId, kTextCount> AllTextIds() {
  std::array<TextId, kTextCount> ids{};
  for (size_t i = 0; i < kTextCount; ++i) ids[i] = static_cast<TextId>(i);
  return ids;
}

TextTable::TextTable() {
  for (size_t i = 0; i < kTextCount; ++i) texts_[i] = kTexts[i].english;
}

}  // namespace vortik
