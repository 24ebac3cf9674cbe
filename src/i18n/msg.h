// A user-visible message by its language-table key, with its default English text.
#pragma once

#include <string>

namespace vortik {

// The text of `key` in the current language. Until the language table answers for message
// keys, this is the default English text given with the key.
inline std::string Msg(const char* /*key*/, const char* english) {
  return english;
}

}  // namespace vortik
