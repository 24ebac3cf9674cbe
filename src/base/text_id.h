// The ids of the language file's texts, their keys and English defaults, and the one table of
// loaded texts that the window and the flows read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vortik {

enum class TextId : uint16_t {
#define VORTIK_TEXT(key, english) key,
#include "base/text_ids.inc"
#undef VORTIK_TEXT
};

inline constexpr size_t kTextCount = 0
// Adds one per key of the list.
#define VORTIK_TEXT(key, english) +1  // NOLINT(bugprone-macro-parentheses)
#include "base/text_ids.inc"
#undef VORTIK_TEXT
    ;

// The key of `id` in the language file ("MsgError19").
const char* TextKey(TextId id);
// The text of `id` when the file has no such key.
const char* TextDefault(TextId id);
// The id of a key, without regard to letter case as the file is read.
std::optional<TextId> FindTextId(std::string_view key);

// Every id in loading order, for loops over the whole table.
std::array<TextId, kTextCount> AllTextIds();

// The texts of one language, one per id; each starts as its default. UTF-8.
class TextTable {
 public:
  TextTable();
  const std::string& operator[](TextId id) const { return texts_[static_cast<size_t>(id)]; }
  void Set(TextId id, std::string text) { texts_[static_cast<size_t>(id)] = std::move(text); }

 private:
  std::array<std::string, kTextCount> texts_;
};

}  // namespace vortik
