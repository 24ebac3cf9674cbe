// The current language's text of a language key, for the messages and status texts of flows.
#pragma once

#include <string>

namespace vortik {

// The loaded text of `key` (e.g. "MsgError15") in the current language; `english` before the
// language file has been loaded or for a key the language table does not have.
std::string Msg(const char* key, const char* english);

// The download-status text of a progress status code 1..33 (keys MsgInfo12..MsgInfo44); empty
// for any other code.
std::string DownloadStatusText(int code);

}  // namespace vortik
