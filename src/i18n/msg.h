// Message texts by language key, with the English default when the key has no loaded text.
#pragma once

#include <string>

namespace vortik {

// The current language's text of `key` (e.g. "MsgError13"), else `english`. UTF-8.
std::string Msg(const char* key, const char* english);

}  // namespace vortik
