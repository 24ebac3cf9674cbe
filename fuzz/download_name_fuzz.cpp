// Download file names from server-given URLs and paths: a name is a plain file name inside the
// temporary folder, or there is none.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/folders.h"
#include "upgrade/downloads.h"

using vortik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view url(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> name = vortik::LocalDownloadName(url);
  if (!name) return 0;
  Check(!name->empty() && *name != "." && *name != "..", "a real name");
  Check(name->find('/') == std::string::npos && name->find('\0') == std::string::npos,
        "one path component");
  Check(url.size() > name->size() && url.substr(url.size() - name->size()) == *name &&
            url[url.size() - name->size() - 1] == '/',
        "the text after the last '/'");
  const std::string path = vortik::LocalDownloadPath(*name);
  const std::string folder = vortik::platform::TempDir();
  Check(path.compare(0, folder.size(), folder) == 0 && path.size() == folder.size() + name->size(),
        "inside the temporary folder");
  return 0;
}
